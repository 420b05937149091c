#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "display/band_scope.h"
#include "support/tone_pair_block.h"

namespace wavelore {
namespace {

constexpr int32_t kBins = CBandScope::kBins;

class SmartTune : public ::testing::Test {
  protected:
    void SetUp() override {
        analyzer.autoTune = false;
        for (int32_t i = 0; i < 21; ++i) {
            analyzer.ProcessBlock(block);
        }
        std::vector<double> work(kBins);
        const auto found = CTuningSearch::Candidate(analyzer.Analyzer().History(), 85, work.data());
        ASSERT_TRUE(found.has_value());
        candidate = *found;
        ASSERT_NEAR(candidate, 1500, 20);
        EXPECT_EQ(analyzer.RetuneVotes(), 0);  // switched off: nothing counted
        analyzer.autoTune = true;
    }
    // Frames (1-based) on which a retune to the candidate was requested.
    std::vector<int32_t> RetunesOver(int32_t frames) {
        std::vector<int32_t> at;
        for (int32_t i = 1; i <= frames; ++i) {
            if (auto r = analyzer.ProcessBlock(block)) {
                EXPECT_EQ(*r, candidate);
                at.push_back(i);
            }
        }
        return at;
    }

    SampleBlock block = test::TonePairBlock();
    CBandScope analyzer;
    int32_t candidate = 0;
};

TEST_F(SmartTune, CandidateWithinTenHertzNeverRetunes) {
    for (int32_t offset : {-10, -8, 8, 10}) {
        analyzer.SetTuning(candidate + offset, 85);
        EXPECT_TRUE(RetunesOver(12).empty()) << offset;
        EXPECT_EQ(analyzer.RetuneVotes(), 0);
    }
}

TEST_F(SmartTune, CandidateFurtherAwayRetunesOnEveryFourthFrame) {
    // The history filled while switched off counts at once.
    analyzer.SetTuning(candidate + 11, 85);
    EXPECT_EQ(RetunesOver(12), (std::vector<int32_t>{4, 8, 12}));
    analyzer.SetTuning(candidate - 300, 85);
    EXPECT_EQ(RetunesOver(4), (std::vector<int32_t>{4}));
}

TEST_F(SmartTune, VotesSurviveFramesWithoutAVote) {
    analyzer.SetTuning(candidate + 40, 85);
    EXPECT_TRUE(RetunesOver(2).empty());
    analyzer.SetTuning(candidate, 85);  // on tune: no vote
    EXPECT_TRUE(RetunesOver(3).empty());
    analyzer.SetTuning(candidate + 40, 0);  // no shift: no candidate at all
    EXPECT_TRUE(RetunesOver(3).empty());
    EXPECT_EQ(analyzer.RetuneVotes(), 2);
    analyzer.SetTuning(candidate + 40, 85);
    EXPECT_EQ(RetunesOver(2), (std::vector<int32_t>{2}));
}

TEST(SpectrumMouse, ClicksAndDragsRequestClampedFrequencies) {
    CBandScope analyzer;
    analyzer.SetTuning(1700, 85);
    EXPECT_FALSE(analyzer.OnMouseMove(10, false, 1000).has_value());  // not dragging
    EXPECT_EQ(analyzer.OnLeftButtonDown(0, 5, 1000), 86);
    EXPECT_EQ(analyzer.OnLeftButtonDown(1000, 5, 1000), 5426);
    EXPECT_EQ(analyzer.OnLeftButtonDown(300, 5, 1000), 1653);  // 1653.6
    // Ctrl: 1 Hz per 5 whole pixels from the press point.
    EXPECT_EQ(analyzer.OnMouseMove(350, true, 1000), 1663);
    EXPECT_EQ(analyzer.OnMouseMove(296, true, 1000), 1653);
    EXPECT_EQ(analyzer.OnMouseMove(500, false, 1000), 2756);
    EXPECT_EQ(analyzer.OnMouseMove(-40, false, 1000), 86);
    analyzer.OnLeftButtonUp();
    EXPECT_FALSE(analyzer.OnMouseMove(500, false, 1000).has_value());
    EXPECT_FALSE(analyzer.OnLeftButtonDown(10, 5, 0).has_value());
}

TEST(SpectrumTrace, PlainByDefaultAveragedOrPeaksHeldOnRequest) {
    const SampleBlock a = test::TonePairBlock();
    SampleBlock b = a.Copy();
    for (int32_t i = b.Count() / 3; i < b.Count(); ++i) {
        b[i] *= 0.01;
    }
    CBandScope reference;
    reference.ProcessBlock(a);
    const std::vector<int32_t> first(reference.Spectrum(), reference.Spectrum() + kBins);
    reference.ProcessBlock(b);
    const std::vector<int32_t> second(reference.Spectrum(), reference.Spectrum() + kBins);
    ASSERT_NE(first, second);

    for (CBandScope::Trace trace :
         {CBandScope::Trace::Plain, CBandScope::Trace::Average, CBandScope::Trace::PeakHold}) {
        CBandScope scope;
        EXPECT_EQ(scope.CurrentTrace(), CBandScope::Trace::Plain);
        scope.SetTrace(trace);
        EXPECT_EQ(scope.TraceLevels(), nullptr);
        scope.ProcessBlock(a);
        EXPECT_EQ(std::vector<int32_t>(scope.TraceLevels(), scope.TraceLevels() + kBins), first);
        scope.ProcessBlock(b);
        for (int32_t i = 0; i < kBins; ++i) {
            const size_t k = static_cast<size_t>(i);
            int32_t expected = second[k];
            if (trace == CBandScope::Trace::Average) {
                expected = first[k] + (second[k] - first[k]) / CBandScope::kAverageBlocks;
            } else if (trace == CBandScope::Trace::PeakHold) {
                expected = std::max(second[k], first[k] - CBandScope::kPeakFall);
            }
            ASSERT_EQ(scope.TraceLevels()[i], expected) << i;
        }
        EXPECT_EQ(scope.Spectrum()[100], second[100]);  // the spectrum itself untouched
    }
}

TEST(SpectrumPainting, ColumnsBinsAndRows) {
    EXPECT_EQ(CBandScope::ColumnOfFrequency(5512, 800), 800);
    EXPECT_EQ(CBandScope::ColumnOfFrequency(1700, 800), 246);
    EXPECT_EQ(CBandScope::BinOfColumn(0, 800), 1);  // never the DC bin
    EXPECT_EQ(CBandScope::BinOfColumn(400, 800), 512);
    EXPECT_EQ(CBandScope::BinOfColumn(799, 800), 1022);
    EXPECT_EQ(CBandScope::RowOfLevel(65535, 100), 1);
    EXPECT_EQ(CBandScope::RowOfLevel(0, 100), 100);
    EXPECT_EQ(CBandScope::RowOfLevel(-65536, 100), 200);  // below the strip
}

}  // namespace
}  // namespace wavelore
