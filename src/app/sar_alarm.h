#pragma once

#include <chrono>
#include <cstdint>

#include "app/message_filter.h"

namespace wavelore {

class IAlarmSound;
class IUserNotifier;

// What the window does at an alarm besides the sound: a desktop
// notification and the window brought forward.
class IAlarmView {
  public:
    virtual ~IAlarmView() = default;
    virtual void ShowAlarm(const MessageRecord& record) = 0;
};

// The search-and-rescue alarm: a new, selected message of subject D (the
// filter's rule, CMessageFilter::Alarms) sounds the alarm tone for at most
// kSoundFor, or until silenced, and is shown. Switched off, it neither
// sounds nor shows, and a sounding alarm stops. A tone that cannot sound
// (no output device) is said once; the alarm still shows.
class CSarAlarm final : public IAlarmHook {
  public:
    // Long enough to be heard from the deck, bounded so that an
    // unattended receiver does not sound for hours.
    static constexpr std::chrono::seconds kSoundFor{120};

    // notifier (may be null) hears that the tone cannot sound.
    CSarAlarm(IAlarmSound& sound, IAlarmView& view, IUserNotifier* notifier)
        : m_sound(sound), m_view(view), m_notifier(notifier) {}

    void SetEnabled(bool on);
    bool Enabled() const { return m_enabled; }
    void Silence();
    bool Sounding() const;
    // Alarms raised so far.
    int32_t Raised() const { return m_raised; }

    // IAlarmHook
    void RaiseAlarm(const MessageRecord& record) override;

  private:
    IAlarmSound& m_sound;
    IAlarmView& m_view;
    IUserNotifier* m_notifier;
    bool m_enabled = true;
    bool m_reported = false;
    int32_t m_raised = 0;
};

}  // namespace wavelore
