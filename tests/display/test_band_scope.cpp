#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

#include "display/band_scope.h"

namespace wavelore {
namespace {

constexpr int32_t kN = CBandScope::kTransformLength;
constexpr int32_t kBins = CBandScope::kBins;

SampleBlock RandomBlock(uint32_t seed, int32_t count = kN) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> uniform(-300.0, 300.0);
    SampleBlock block(nullptr, count);
    for (int32_t i = 0; i < count; ++i) {
        block[i] = uniform(engine);
    }
    return block;
}

// Two steady tones 170 Hz apart around 1500 Hz in fixed noise: fed again and
// again it fills the history with identical rows, so the search finds the
// same candidate on every frame.
SampleBlock TonePairBlock() {
    std::mt19937 engine(2);
    SampleBlock block(nullptr, kN);
    for (int32_t i = 0; i < kN; ++i) {
        const double t = i / 11025.0;
        block[i] = 56.0 * (std::sin(2 * std::numbers::pi * 1415 * t) +
                           std::sin(2 * std::numbers::pi * 1585 * t)) +
                   40.0 * (engine() / 4294967296.0 - 0.5);
    }
    return block;
}

std::vector<double> History(const CBandScope& analyzer) {
    std::vector<double> history;
    for (int32_t r = 0; r < CBandScope::kHistoryRows; ++r) {
        history.insert(history.end(), analyzer.HistoryRow(r), analyzer.HistoryRow(r) + kBins);
    }
    return history;
}

TEST(BandScope, AllZeroBlockGivesEveryBinTheSubstituteLevelAndAFlatTrace) {
    CBandScope analyzer;
    EXPECT_EQ(analyzer.Spectrum(), nullptr);
    analyzer.ProcessBlock(SampleBlock(nullptr, kN));
    ASSERT_NE(analyzer.Spectrum(), nullptr);
    for (int32_t k = 0; k < kBins; ++k) {
        ASSERT_DOUBLE_EQ(analyzer.Levels()[k], -160.0) << k;
        // No range to scale: the flat spectrum is shown as all zero.
        ASSERT_EQ(analyzer.Spectrum()[k], 0) << k;
        ASSERT_EQ(analyzer.HistoryRow(1)[k], 0.0) << k;
    }
    EXPECT_EQ(analyzer.FrameCounter(), 2);
}

TEST(BandScope, ToneAt1000HzPeaksInItsBin) {
    SampleBlock block(nullptr, kN);
    for (int32_t i = 0; i < kN; ++i) {
        block[i] = 100.0 * std::sin(2 * std::numbers::pi * 1000.0 * i / 11025.0);
    }
    CBandScope analyzer;
    analyzer.ProcessBlock(block);
    const int32_t* s = analyzer.Spectrum();
    int32_t peak = CBandScope::kFirstScaledBin;
    for (int32_t k = peak; k < kBins; ++k) {
        peak = s[k] > s[peak] ? k : peak;
    }
    EXPECT_EQ(peak, 186);  // 1000 Hz / (11025/2048 Hz)
    EXPECT_EQ(s[peak], 65535);
    EXPECT_EQ(s[0], 0);
}

// The whole chain up to the levels against a direct DFT of the emphasised
// samples; a longer block contributes only its first 2048 values.
TEST(BandScope, LevelsMatchADirectTransformOfTheEmphasisedSamples) {
    const SampleBlock block = RandomBlock(3, kN + 500);
    std::vector<double> x(block.Data(), block.Data() + kN);
    const double x1 = x[1];
    const double inner = x[kN - 2];
    for (int32_t i = 1; i < kN - 1; ++i) {
        x[i] = 0.5 * x[i] - 0.25 * x[i + 1] - 0.25 * x[i - 1];
    }
    x[0] = (x[0] + x1) / 2;
    x[kN - 1] = (x[kN - 1] + inner) / 2;

    CBandScope analyzer;
    analyzer.ProcessBlock(block);
    for (int32_t k = 0; k < kBins; k += 7) {
        std::complex<double> sum;
        for (int32_t i = 0; i < kN; ++i) {
            sum += x[i] * std::polar(1.0, -2 * std::numbers::pi * k * i / kN);
        }
        EXPECT_NEAR(analyzer.Levels()[k], 10 * std::log10(std::norm(sum)), 1e-6) << k;
    }
}

// Each row is the scaled spectrum through a 63-tap windowed-sinc low-pass
// whose older inputs carry over from the row before; rows form a ring.
TEST(BandScope, HistoryRowsAreSmoothedSpectraInARing) {
    std::vector<double> taps(63);
    double sum = 0;
    for (int32_t i = 0; i < 63; ++i) {
        const int32_t k = i - 31;
        const double sinc =
            k == 0 ? 0.15 : std::sin(0.15 * std::numbers::pi * k) / (std::numbers::pi * k);
        taps[i] = sinc * (0.54 - 0.46 * std::cos(2 * std::numbers::pi * i / 62));
        sum += taps[i];
    }
    CBandScope analyzer;
    std::vector<double> inputs;  // every row's input, one after the other
    for (uint32_t frame = 0; frame < 2; ++frame) {
        analyzer.ProcessBlock(RandomBlock(10 + frame));
        const int32_t* s = analyzer.Spectrum();
        // Bin 0 enters the history before it is zeroed for display.
        double maximum = -1e10, minimum = 1e10;
        for (int32_t k = CBandScope::kFirstScaledBin; k < kBins; ++k) {
            maximum = std::max(maximum, analyzer.Levels()[k]);
            minimum = std::min(minimum, analyzer.Levels()[k]);
        }
        inputs.push_back(
            std::trunc(65535 / (maximum - minimum) * (analyzer.Levels()[0] - minimum)));
        inputs.insert(inputs.end(), s + 1, s + kBins);
    }
    for (int32_t row = 1; row <= 2; ++row) {
        for (int32_t k = 0; k < kBins; k += 13) {
            const int32_t at = (row - 1) * kBins + k;
            double expected = 0;
            for (int32_t j = 0; j < 63 && at - j >= 0; ++j) {
                expected += taps[j] / sum * inputs[at - j];
            }
            ASSERT_NEAR(analyzer.HistoryRow(row)[k], expected, 1e-6) << row << " " << k;
        }
    }
    for (int32_t frame = 3; frame <= 20; ++frame) {
        analyzer.ProcessBlock(RandomBlock(frame));
    }
    EXPECT_EQ(analyzer.FrameCounter(), 21);
    EXPECT_NE(analyzer.HistoryRow(0)[500], 0.0);  // the 20th spectrum wrapped to row 0
}

// Rows holding two humps a shift (31 bins) apart on a flat floor. Stored
// rows are smoothed, which delays them 31 bins; the search's offset takes
// that back, so unsmoothed humps read 31 bins (167 Hz) low.
TEST(SmartTuneSearch, FindsAHumpPairAndIgnoresOneBelowTheBand) {
    const auto search = [](int32_t firstBin) {
        std::vector<double> history(CBandScope::kHistoryRows * kBins, 1000.0);
        for (int32_t r = 0; r < CBandScope::kHistoryRows; ++r) {
            for (int32_t k = firstBin; k < firstBin + 4; ++k) {
                history[r * kBins + k] = history[r * kBins + k + 31] = 3000.0;
            }
        }
        std::vector<double> work(kBins);
        return CBandScope::SearchCandidate(history.data(), 85, work.data());
    };
    EXPECT_EQ(search(300), 1547);
    EXPECT_EQ(search(30), 94);
    // Found at -41 Hz: a pair with a tone below 0 Hz is no transmission.
    EXPECT_FALSE(search(5).has_value());
    // Too close to the top for the quiet stretch the pattern needs.
    EXPECT_FALSE(search(900).has_value());
}

class SmartTune : public ::testing::Test {
  protected:
    void SetUp() override {
        analyzer.autoTune = false;
        for (int32_t i = 0; i < 21; ++i) {
            analyzer.ProcessBlock(block);
        }
        std::vector<double> work(kBins);
        const auto found = CBandScope::SearchCandidate(History(analyzer).data(), 85, work.data());
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

    SampleBlock block = TonePairBlock();
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
