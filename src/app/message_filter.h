#pragma once

#include <vector>

#include "app/message_record.h"
#include "app/message_sinks.h"

namespace wavelore {

class CMessageIndex;
class CMessageSelection;

// What the filter decided about a stored message.
struct MessageVerdict {
    StorePlace place = StorePlace::LogDay;
    bool selected = false;  // its station and subject are chosen
    bool repeat = false;    // received cleanly within 72 hours before (CRepeatRule)
    // Selected and not a repeat: alarmed (search and rescue) and sent on.
    bool New() const { return selected && !repeat; }
};

// Something a stored message goes on to: the NMEA output, a user's command.
class IMessageOutput {
  public:
    virtual ~IMessageOutput() = default;
    virtual void Deliver(const MessageRecord& record, const MessageVerdict& verdict) = 0;
};

// The search-and-rescue alarm (sound, notification, window forward).
class IAlarmHook {
  public:
    virtual ~IAlarmHook() = default;
    virtual void RaiseAlarm(const MessageRecord& record) = 0;
};

// Between the assembler and what follows a stored message: every stored
// message is judged (selection, repeat) and indexed, then handed to the
// outputs that want it, and a new search-and-rescue message raises the
// alarm. Runs on the assembler's thread, synchronously; outputs must not
// block.
class CMessageFilter final : public IMessageStoredListener {
  public:
    enum class Wants {
        Every,     // every stored message, selected or not
        Selected,  // every selected message, repeats too (the verdict says which)
        New,       // selected messages that are not repeats
    };

    // selection: consulted at every message, so a change applies to the
    // next one. index (may be null): records every message and decides
    // repeats; without it nothing is a repeat.
    CMessageFilter(const CMessageSelection& selection, CMessageIndex* index)
        : m_selection(selection), m_index(index) {}

    void AddOutput(IMessageOutput* output, Wants wants) { m_outputs.push_back({output, wants}); }
    // null: no alarm.
    void SetAlarm(IAlarmHook* alarm) { m_alarm = alarm; }

    // The rule for the alarm: a new message of subject D.
    static bool Alarms(const MessageRecord& record, const MessageVerdict& verdict);

    // IMessageStoredListener
    void MessageStored(const MessageRecord& record, StorePlace place) override;

  private:
    struct Output {
        IMessageOutput* output;
        Wants wants;
    };

    const CMessageSelection& m_selection;
    CMessageIndex* m_index;
    std::vector<Output> m_outputs;
    IAlarmHook* m_alarm = nullptr;
};

}  // namespace wavelore
