#include "app/tip_of_the_day.h"

#include <climits>

namespace wavelore {

CTipOfTheDay::CTipOfTheDay(IProfileStore& profile, const std::filesystem::path& file,
                           std::function<void()> seekTrouble)
    : m_profile(profile), m_seekTrouble(std::move(seekTrouble)) {
    m_showAtStartUp = m_profile.GetInt(kSection, u"StartUp", 0) == 0;
    int64_t position = m_profile.GetInt(kSection, u"FilePos", 0);
    if (!m_reader.Open(file)) {
        return;
    }
    const std::u16string stamp = FileModificationStamp(file);
    if (stamp != m_profile.GetString(kSection, u"TimeStamp", u"")) {
        m_profile.WriteString(kSection, u"TimeStamp", stamp);
        position = 0;
    }
    if (!m_reader.Seek(position)) {
        if (m_seekTrouble) {
            m_seekTrouble();
        }
        return;
    }
    Next();
}

CTipOfTheDay::~CTipOfTheDay() {
    const int64_t position = m_reader.Position();
    if (position >= 0 && position <= INT32_MAX) {
        m_profile.WriteInt(kSection, u"FilePos", static_cast<int32_t>(position));
    }
}

void CTipOfTheDay::Next() {
    bool seekFailed = false;
    m_tip = m_reader.NextTip(seekFailed);
    if (seekFailed && m_seekTrouble) {
        m_seekTrouble();
    }
}

void CTipOfTheDay::Close(bool showAtStartUp) {
    m_showAtStartUp = showAtStartUp;
    m_profile.WriteInt(kSection, u"StartUp", showAtStartUp ? 0 : 1);
}

}  // namespace wavelore
