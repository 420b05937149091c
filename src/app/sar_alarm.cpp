#include "app/sar_alarm.h"

#include <string>

#include "audio/alarm_player.h"
#include "common/user_notifier.h"
#include "common/utf.h"

namespace wavelore {

void CSarAlarm::SetEnabled(bool on) {
    m_enabled = on;
    if (!on) {
        Silence();
    }
}

void CSarAlarm::Silence() {
    m_sound.Stop();
}

bool CSarAlarm::Sounding() const {
    return m_sound.Sounding();
}

void CSarAlarm::RaiseAlarm(const MessageRecord& record) {
    if (!m_enabled) {
        return;
    }
    ++m_raised;
    std::string error;
    if (!m_sound.Start(kSoundFor, error) && !m_reported && m_notifier != nullptr) {
        m_reported = true;
        m_notifier->ShowText({texts::kAlarmCannotSound, {FromUtf8(error)}});
    }
    m_view.ShowAlarm(record);
}

}  // namespace wavelore
