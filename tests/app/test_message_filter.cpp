// Stored messages judged as the receivers' ID store does (repeats at the
// 72-hour and 4 % edges), by the selection, and handed on accordingly.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/message_filter.h"
#include "app/message_index.h"
#include "app/message_selection.h"
#include "app/reception/message_framer.h"
#include "app/reception/message_store.h"
#include "common/clock.h"
#include "common/utf.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

struct Seen {
    std::string id;
    bool selected;
    bool repeat;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << s.id << (s.selected ? " selected" : "") << (s.repeat ? " repeat" : "");
}

class CCollect final : public IMessageOutput, public IAlarmHook {
  public:
    void Deliver(const MessageRecord& record, const MessageVerdict& verdict) override {
        seen.push_back(
            {ToUtf8(record.b1 + record.b2 + record.number), verdict.selected, verdict.repeat});
    }
    void RaiseAlarm(const MessageRecord& record) override {
        alarms.push_back(ToUtf8(record.b1 + record.b2 + record.number));
    }
    std::vector<Seen> seen;
    std::vector<std::string> alarms;
};

TEST(MessageFilter, RepeatsAtTheEdgesSelectionAndAlarm) {
    test::ScopedTempDir dir;
    const LocalTime t0{2007, 7, 21, 14, 3, 22};
    CManualClock clock(t0);
    CMessageSelection selection(u"EGHK", u"E");  // subjects A, B, D, E and L
    CMessageIndex index(dir.Path(), selection, nullptr);
    ASSERT_TRUE(index.Open());
    CMessageFilter filter(selection, &index);
    CCollect every;
    CCollect fresh;
    filter.AddOutput(&every, CMessageFilter::Wants::Every);
    filter.AddOutput(&fresh, CMessageFilter::Wants::New);
    filter.SetAlarm(&fresh);
    CMessageStore store(dir.Path(), clock, {nullptr, nullptr, nullptr, &filter});
    CMessageFramer assembler(clock, store);

    // A frame at the clock's time, with these counts for its body.
    const auto receive = [&](std::u16string_view id, int64_t at, int32_t good, int32_t errors) {
        clock.Set(AddSeconds(t0, at));
        assembler.FeedChunk(u"ZCZC " + std::u16string(id) + u"\r\n");
        assembler.AddCounts(good, errors);
        assembler.FeedChunk(u"TEXT " + std::u16string(id) + u"\r\nNNNN");
    };
    constexpr int64_t kHour = 3600;
    // The 4 % edge: NAVTEX errors count a seventh, so 28 and 34 are both 4
    // errors; 4 of 100 characters is not below 4 %, 4 of 101 is.
    receive(u"EA12", 0, 96, 28);
    receive(u"EA12", 60, 97, 34);
    receive(u"EA12", 120, 100, 0);
    // The 72-hour edge, either way.
    receive(u"GD05", 0, 100, 0);
    receive(u"GD05", 72 * kHour, 100, 0);
    receive(u"HE07", 72 * kHour + 1, 100, 0);
    receive(u"HE07", 0, 100, 0);
    // Nothing counted is not clean; 00 is never a repeat.
    receive(u"KA21", 10, 0, 0);
    receive(u"KA21", 20, 0, 0);
    receive(u"KA00", 30, 100, 0);
    receive(u"KA00", 40, 100, 0);
    // Outside the selection: station F, subject C; D alarms only when new
    // and selected.
    receive(u"FD01", 50, 100, 0);
    receive(u"EC03", 60, 100, 0);
    receive(u"EC03", 70, 100, 0);

    const std::vector<Seen> expected = {
        {"EA12", true, false},  {"EA12", true, false}, {"EA12", true, true},
        {"GD05", true, false},  {"GD05", true, true},  {"HE07", true, false},
        {"HE07", true, false},  {"KA21", true, false}, {"KA21", true, false},
        {"KA00", true, false},  {"KA00", true, false}, {"FD01", false, false},
        {"EC03", false, false}, {"EC03", false, true},
    };
    EXPECT_EQ(every.seen, expected);
    std::vector<Seen> fresh_expected;
    for (const Seen& s : expected) {
        if (s.selected && !s.repeat) {
            fresh_expected.push_back(s);
        }
    }
    EXPECT_EQ(fresh.seen, fresh_expected);
    EXPECT_EQ(fresh.alarms, std::vector<std::string>{"GD05"});

    // The index holds the same verdicts and the counts.
    const std::vector<IndexedMessage> day = index.RowsOfDay(u"2007-07-24");
    ASSERT_EQ(day.size(), 2u);
    EXPECT_EQ(day[0].identity, u"GD05");
    EXPECT_TRUE(day[0].repeat);
    EXPECT_EQ(day[1].identity, u"HE07");
    EXPECT_FALSE(day[1].repeat);
    EXPECT_TRUE(day[1].counted);
    EXPECT_EQ(day[1].good, 100u);
    EXPECT_EQ(day[1].path.filename(), "2007-07-24 14.03.23 HE07.txt");
    const auto ec03 = index.Find(dir.Path() / "logs/2007-07-21/2007-07-21 14.04.32 EC03.txt");
    ASSERT_TRUE(ec03.has_value());
    EXPECT_TRUE(ec03->repeat);
    EXPECT_FALSE(ec03->selected);
}

}  // namespace
}  // namespace wavelore
