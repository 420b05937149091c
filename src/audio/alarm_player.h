#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace wavelore {

// Where the alarm sounds: the default output device in the program, a
// recording of calls in tests.
class IAlarmSound {
  public:
    virtual ~IAlarmSound() = default;
    // Sounds the alarm tone (CAlarmTone) from its start for duration, or
    // until Stop. False, with error set, when there is nothing to play it
    // on.
    virtual bool Start(std::chrono::seconds duration, std::string& error) = 0;
    virtual void Stop() = 0;
    virtual bool Sounding() const = 0;
};

// The alarm tone on the default output device, through PortAudio. PortAudio
// is initialised at the first Start, so a program that never alarms never
// opens a sound device for output. All calls on one thread.
class CPortAudioAlarm final : public IAlarmSound {
  public:
    CPortAudioAlarm();
    ~CPortAudioAlarm() override;
    CPortAudioAlarm(const CPortAudioAlarm&) = delete;
    CPortAudioAlarm& operator=(const CPortAudioAlarm&) = delete;

    bool Start(std::chrono::seconds duration, std::string& error) override;
    void Stop() override;
    bool Sounding() const override;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace wavelore
