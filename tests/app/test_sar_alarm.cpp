// The alarm's decision: new search-and-rescue messages from the selection
// alarm, repeats and others do not; switched off, nothing alarms; a tone
// that cannot sound is said once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/message_index.h"
#include "app/sar_alarm.h"
#include "audio/alarm_player.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

struct FakeSound final : IAlarmSound {
    bool Start(std::chrono::seconds duration, std::string& error) override {
        EXPECT_EQ(duration, CSarAlarm::kSoundFor);
        ++starts;
        error = "no sound output device";
        return works;
    }
    void Stop() override { ++stops; }
    bool Sounding() const override { return false; }
    bool works = false;
    int starts = 0;
    int stops = 0;
};

struct Shown final : IAlarmView, IUserNotifier {
    void ShowAlarm(const MessageRecord& record) override {
        alarms.push_back(ToUtf8(record.b1 + record.b2 + record.number));
    }
    void ShowMessage(const std::u16string& text) override { notes.push_back(ToUtf8(text)); }
    std::vector<std::string> alarms;
    std::vector<std::string> notes;
};

MessageRecord Received(const char16_t* id, const char16_t* time, const char16_t* number) {
    MessageRecord r;
    r.date = u"2024-03-04";
    r.time = time;
    r.b1 = std::u16string(1, id[0]);
    r.b2 = std::u16string(1, id[1]);
    r.number = number;
    r.good = 500;
    r.path = std::filesystem::absolute(std::u16string(u"logs/") + id + number + u" " + time[0] +
                                       time[1] + u".txt");
    return r;
}

TEST(SarAlarm, NewSelectedSearchAndRescueOnlyAndANoticeOnceWithoutSound) {
    test::ScopedTempDir dir;
    const CMessageSelection selection(u"E", u"");
    CMessageIndex index(".", selection, nullptr);
    ASSERT_TRUE(index.Open());
    CMessageFilter filter(selection, &index);
    FakeSound sound;
    Shown shown;
    CSarAlarm alarm(sound, shown, &shown);
    filter.SetAlarm(&alarm);

    filter.MessageStored(Received(u"ED", u"01:00:00", u"12"), StorePlace::LogDay);
    filter.MessageStored(Received(u"ED", u"05:00:00", u"12"), StorePlace::LogDay);  // repeat
    filter.MessageStored(Received(u"FD", u"05:00:00", u"13"), StorePlace::LogDay);  // not selected
    filter.MessageStored(Received(u"EA", u"05:00:00", u"14"), StorePlace::LogDay);  // not SAR
    filter.MessageStored(Received(u"ED", u"06:00:00", u"00"),
                         StorePlace::LogDay);  // 00: always new
    EXPECT_EQ(shown.alarms, (std::vector<std::string>{"ED12", "ED00"}));
    EXPECT_EQ(sound.starts, 2);
    ASSERT_EQ(shown.notes.size(), 1u);
    EXPECT_EQ(shown.notes[0],
              "The search and rescue alarm cannot sound (no sound output device); new search "
              "and rescue messages are still shown.");

    alarm.SetEnabled(false);
    EXPECT_EQ(sound.stops, 1);
    filter.MessageStored(Received(u"ED", u"07:00:00", u"15"), StorePlace::LogDay);
    EXPECT_EQ(alarm.Raised(), 2);
}

}  // namespace
}  // namespace wavelore
