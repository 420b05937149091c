#include <gtest/gtest.h>

#include <ctime>
#include <random>

#include "common/clock.h"

namespace wavelore {
namespace {

LocalTime T(int y, int mo, int d, int h, int mi, int s) {
    return LocalTime{y, mo, d, h, mi, s};
}

TEST(Clock, AddSecondsCrossesDaysMonthsYearsAndLeapDays) {
    EXPECT_EQ(AddSeconds(T(2007, 7, 21, 23, 59, 59), 1), T(2007, 7, 22, 0, 0, 0));
    EXPECT_EQ(AddSeconds(T(2007, 12, 31, 23, 59, 30), 45), T(2008, 1, 1, 0, 0, 15));
    EXPECT_EQ(AddSeconds(T(2008, 2, 28, 12, 0, 0), 86400), T(2008, 2, 29, 12, 0, 0));
    EXPECT_EQ(AddSeconds(T(1900, 2, 28, 12, 0, 0), 86400), T(1900, 3, 1, 12, 0, 0));
    EXPECT_EQ(AddSeconds(T(2000, 3, 1, 0, 0, 0), -1), T(2000, 2, 29, 23, 59, 59));
}

TEST(Clock, AddSecondsMatchesTheCLibraryOverManyRandomSteps) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int64_t> start(0, 4'000'000'000LL);
    std::uniform_int_distribution<int64_t> step(-100'000'000LL, 100'000'000LL);
    for (int i = 0; i < 2000; ++i) {
        const std::time_t a = static_cast<std::time_t>(start(rng));
        const int64_t delta = step(rng);
        const std::time_t b = a + static_cast<std::time_t>(delta);
        std::tm ta{};
        std::tm tb{};
        gmtime_r(&a, &ta);
        gmtime_r(&b, &tb);
        const LocalTime from =
            T(ta.tm_year + 1900, ta.tm_mon + 1, ta.tm_mday, ta.tm_hour, ta.tm_min, ta.tm_sec);
        const LocalTime want =
            T(tb.tm_year + 1900, tb.tm_mon + 1, tb.tm_mday, tb.tm_hour, tb.tm_min, tb.tm_sec);
        ASSERT_EQ(AddSeconds(from, delta), want) << a << " + " << delta;
    }
}

TEST(Clock, ParsesOnlyValidDatesAndTimes) {
    LocalTime t;
    ASSERT_TRUE(ParseLocalTime("2007-07-21 14:03:22", t));
    EXPECT_EQ(t, T(2007, 7, 21, 14, 3, 22));
    ASSERT_TRUE(ParseLocalTime("2008-02-29T23:59:59", t));
    EXPECT_EQ(t, T(2008, 2, 29, 23, 59, 59));

    const LocalTime before = t;
    for (const char* bad : {"2007-02-29 00:00:00", "2007-13-01 00:00:00", "2007-07-21 24:00:00",
                            "2007-07-21 14:03", "2007-07-21 14:03:2x", "2007/07/21 14:03:22",
                            "2007-07-21 14:03:22 ", "", "+007-07-21 14:03:22"}) {
        EXPECT_FALSE(ParseLocalTime(bad, t)) << bad;
        EXPECT_EQ(t, before);
    }
}

TEST(Clock, ManualClockStandsStillUntilMoved) {
    CManualClock clock(T(2007, 7, 21, 23, 59, 58));
    EXPECT_EQ(clock.Now(), clock.Now());
    clock.Advance(3);
    EXPECT_EQ(clock.Now(), T(2007, 7, 22, 0, 0, 1));
    clock.Set(T(2010, 1, 1, 0, 0, 0));
    EXPECT_EQ(clock.Now().year, 2010);
}

TEST(Clock, SystemClockGivesAPlausibleLocalTime) {
    const LocalTime now = CSystemClock().Now();
    EXPECT_GE(now.year, 2024);
    EXPECT_TRUE(now.month >= 1 && now.month <= 12);
    EXPECT_TRUE(now.day >= 1 && now.day <= 31);
    EXPECT_TRUE(now.hour >= 0 && now.hour <= 23);
    EXPECT_TRUE(now.second >= 0 && now.second <= 59);
}

}  // namespace
}  // namespace wavelore
