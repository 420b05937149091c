#include <gtest/gtest.h>

#include <deque>
#include <utility>

#include "receiver/cpu_load_monitor.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

// Hands out scripted (idle, total) readings; an empty script reads as
// unsupported.
class CScriptedTimes final : public ICpuTimesSource {
  public:
    std::deque<std::pair<uint64_t, uint64_t>> readings;
    bool Read(uint64_t& idle, uint64_t& total) override {
        if (readings.empty()) {
            return false;
        }
        idle = readings.front().first;
        total = readings.front().second;
        readings.pop_front();
        return true;
    }
};

TEST(CpuLoadMonitor, LoadIsTheBusyShareOfTheTimeSinceThePreviousCall) {
    CScriptedTimes times;
    times.readings = {
        {1000, 2000},  // first call: 0 whatever the machine did before
        {1100, 2100},  // all idle: 0
        {1100, 2200},  // all busy: 100
        {1125, 2300},  // 25 % idle: 75
        {1125, 2300},  // no time passed: the previous figure again
        {1130, 2400},  // measured from the last real reading: 95
        {1130, 2401},  // one busy tick: 100
        {1131, 2600},  // 1 of 199 idle: 99.497 + 0.5 truncates to 99
    };
    CCpuLoadMonitor monitor(&times);
    std::vector<int32_t> loads;
    while (!times.readings.empty()) {
        loads.push_back(monitor.Sample());
    }
    EXPECT_EQ(loads, (std::vector<int32_t>{0, 0, 100, 75, 75, 95, 100, 99}));
}

TEST(CpuLoadMonitor, CountersGoingBackwardsStayInsideZeroToHundred) {
    CScriptedTimes times;
    // Some kernels step iowait (part of idle) backwards.
    times.readings = {{1000, 2000}, {990, 2010}, {1200, 2020}};
    CCpuLoadMonitor monitor(&times);
    EXPECT_EQ(monitor.Sample(), 0);
    EXPECT_EQ(monitor.Sample(), 100);
    EXPECT_EQ(monitor.Sample(), 0);
}

TEST(CpuLoadMonitor, UnreadableTimesGiveMinusOne) {
    CScriptedTimes times;
    CCpuLoadMonitor monitor(&times);
    EXPECT_EQ(monitor.Sample(), -1);
    EXPECT_EQ(monitor.Sample(), -1);
    // A missing stat file is the same.
    CProcStatTimes missing("no-such-stat-file");
    CCpuLoadMonitor onMissing(&missing);
    EXPECT_EQ(onMissing.Sample(), -1);
}

TEST(ProcStatTimes, ParsesTheAggregateLineIdleIncludingIowait) {
    uint64_t idle = 0;
    uint64_t total = 0;
    const std::string stat =
        "cpu  10 20 30 400 50 6 7 8 90 100\n"
        "cpu0 1 2 3 4 5 6 7 8 9 10\n";
    ASSERT_TRUE(CProcStatTimes::Parse(stat, idle, total));
    EXPECT_EQ(idle, 450u);
    // Guest times are already part of user and nice.
    EXPECT_EQ(total, 10u + 20 + 30 + 400 + 50 + 6 + 7 + 8);
    // Old kernels give only four fields.
    ASSERT_TRUE(CProcStatTimes::Parse("cpu 1 2 3 4\n", idle, total));
    EXPECT_EQ(idle, 4u);
    EXPECT_EQ(total, 10u);
    EXPECT_FALSE(CProcStatTimes::Parse("cpu0 1 2 3 4\n", idle, total));
    EXPECT_FALSE(CProcStatTimes::Parse("cpu 1 2\n", idle, total));
    EXPECT_FALSE(CProcStatTimes::Parse("", idle, total));

    test::ScopedTempDir dir;
    test::WriteFile("stat", stat);
    CProcStatTimes file("stat");
    ASSERT_TRUE(file.Read(idle, total));
    EXPECT_EQ(idle, 450u);
}

TEST(CpuLoadMonitor, ReadsThisMachine) {
    CCpuLoadMonitor monitor;
    const int32_t first = monitor.Sample();
    if (first == -1) {
        GTEST_SKIP() << "no /proc/stat here";
    }
    EXPECT_EQ(first, 0);
    volatile double sink = 0;
    for (int i = 0; i < 20'000'000; ++i) {
        sink = sink + i;
    }
    const int32_t load = monitor.Sample();
    EXPECT_GE(load, 0);
    EXPECT_LE(load, 100);
}

}  // namespace
}  // namespace wavelore
