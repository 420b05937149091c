#include <gtest/gtest.h>

#include <vector>

#include "display/signal_history.h"

namespace wavelore {
namespace {

constexpr int32_t kPoints = CSignalHistory::kPoints;

SampleBlock Filled(int32_t count, double value) {
    SampleBlock block(nullptr, count);
    for (int32_t i = 0; i < count; ++i) {
        block[i] = value;
    }
    return block;
}

std::vector<int16_t> PointsOf(const CSignalHistory& history) {
    return {history.Points(), history.Points() + kPoints};
}

TEST(SignalHistory, FirstBlockIsNotShownLaterOnesScrollInFromTheRight) {
    CSignalHistory history;
    EXPECT_EQ(history.Points(), nullptr);
    history.ProcessBlock(Filled(2048, 30.0));
    EXPECT_EQ(PointsOf(history), std::vector<int16_t>(kPoints, 0));
    EXPECT_FALSE(history.HasTrace());

    // Means of 30 and -0.2: 120 clamped to 100, -0.8 truncated to 0.
    SampleBlock block = Filled(2048, 30.0);
    for (int32_t i = 1000; i < 2048; ++i) {
        block[i] = -0.2;
    }
    history.ProcessBlock(block);
    EXPECT_TRUE(history.HasTrace());
    std::vector<int16_t> expected(kPoints, 0);
    for (int32_t i = 400; i < 450; ++i) {
        expected[i] = 100;  // groups of 20 values: 0..999 are the first 50
    }
    EXPECT_EQ(PointsOf(history), expected);

    history.ProcessBlock(Filled(2048, -10.0));
    expected.erase(expected.begin(), expected.begin() + 100);
    expected.insert(expected.end(), 100, -40);
    EXPECT_EQ(PointsOf(history), expected);
}

TEST(SignalHistory, GroupsIgnoreTheRemainderAndShortBlocksChangeNothing) {
    CSignalHistory history;
    history.ProcessBlock(SampleBlock());
    // 2050 values: 100 groups of 20, the last 50 values ignored.
    SampleBlock block = Filled(2050, 0.0);
    for (int32_t i = 0; i < 2050; ++i) {
        block[i] = i < 2000 ? (i / 20) * 0.25 : 1e9;
    }
    history.ProcessBlock(block);
    for (int32_t g = 0; g < 100; ++g) {
        EXPECT_EQ(history.Points()[400 + g], g) << g;
    }
    // Fewer than 100 values give no group at all.
    const std::vector<int16_t> before = PointsOf(history);
    history.ProcessBlock(Filled(99, 5.0));
    EXPECT_EQ(PointsOf(history), before);
}

}  // namespace
}  // namespace wavelore
