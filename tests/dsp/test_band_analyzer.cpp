#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

#include "common/sample_block.h"
#include "dsp/band_analyzer.h"
#include "dsp/tuning_search.h"

namespace wavelore {
namespace {

constexpr int32_t kN = CBandAnalyzer::kTransformLength;
constexpr int32_t kBins = CBandAnalyzer::kBins;

SampleBlock RandomBlock(uint32_t seed, int32_t count = kN) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> uniform(-300.0, 300.0);
    SampleBlock block(nullptr, count);
    for (int32_t i = 0; i < count; ++i) {
        block[i] = uniform(engine);
    }
    return block;
}

TEST(BandAnalyzer, AllZeroBlockGivesEveryBinTheSubstituteLevelAndAFlatTrace) {
    CBandAnalyzer analyzer;
    EXPECT_EQ(analyzer.Spectrum(), nullptr);
    analyzer.Process(SampleBlock(nullptr, kN).Data(), kN);
    ASSERT_NE(analyzer.Spectrum(), nullptr);
    for (int32_t k = 0; k < kBins; ++k) {
        ASSERT_DOUBLE_EQ(analyzer.Levels()[k], -160.0) << k;
        // No range to scale: the flat spectrum is shown as all zero.
        ASSERT_EQ(analyzer.Spectrum()[k], 0) << k;
        ASSERT_EQ(analyzer.HistoryRow(1)[k], 0.0) << k;
    }
    EXPECT_EQ(analyzer.FrameCounter(), 2);
}

TEST(BandAnalyzer, ToneAt1000HzPeaksInItsBin) {
    SampleBlock block(nullptr, kN);
    for (int32_t i = 0; i < kN; ++i) {
        block[i] = 100.0 * std::sin(2 * std::numbers::pi * 1000.0 * i / 11025.0);
    }
    CBandAnalyzer analyzer;
    analyzer.Process(block.Data(), static_cast<size_t>(block.Count()));
    const int32_t* s = analyzer.Spectrum();
    int32_t peak = CBandAnalyzer::kFirstScaledBin;
    for (int32_t k = peak; k < kBins; ++k) {
        peak = s[k] > s[peak] ? k : peak;
    }
    EXPECT_EQ(peak, 186);  // 1000 Hz / (11025/2048 Hz)
    EXPECT_EQ(s[peak], 65535);
    EXPECT_EQ(s[0], 0);
}

// The whole chain up to the levels against a direct DFT of the emphasised
// samples; a longer block contributes only its first 2048 values.
TEST(BandAnalyzer, LevelsMatchADirectTransformOfTheEmphasisedSamples) {
    const SampleBlock block = RandomBlock(3, kN + 500);
    std::vector<double> x(block.Data(), block.Data() + kN);
    const double x1 = x[1];
    const double inner = x[kN - 2];
    for (int32_t i = 1; i < kN - 1; ++i) {
        x[i] = 0.5 * x[i] - 0.25 * x[i + 1] - 0.25 * x[i - 1];
    }
    x[0] = (x[0] + x1) / 2;
    x[kN - 1] = (x[kN - 1] + inner) / 2;

    CBandAnalyzer analyzer;
    analyzer.Process(block.Data(), static_cast<size_t>(block.Count()));
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
TEST(BandAnalyzer, HistoryRowsAreSmoothedSpectraInARing) {
    std::vector<double> taps(63);
    double sum = 0;
    for (int32_t i = 0; i < 63; ++i) {
        const int32_t k = i - 31;
        const double sinc =
            k == 0 ? 0.15 : std::sin(0.15 * std::numbers::pi * k) / (std::numbers::pi * k);
        taps[i] = sinc * (0.54 - 0.46 * std::cos(2 * std::numbers::pi * i / 62));
        sum += taps[i];
    }
    CBandAnalyzer analyzer;
    std::vector<double> inputs;  // every row's input, one after the other
    for (uint32_t frame = 0; frame < 2; ++frame) {
        {
            const SampleBlock random = RandomBlock(10 + frame);
            analyzer.Process(random.Data(), static_cast<size_t>(random.Count()));
        }
        const int32_t* s = analyzer.Spectrum();
        // Bin 0 enters the history before it is zeroed for display.
        double maximum = -1e10, minimum = 1e10;
        for (int32_t k = CBandAnalyzer::kFirstScaledBin; k < kBins; ++k) {
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
        {
            const SampleBlock random = RandomBlock(frame);
            analyzer.Process(random.Data(), static_cast<size_t>(random.Count()));
        }
    }
    EXPECT_EQ(analyzer.FrameCounter(), 21);
    EXPECT_NE(analyzer.HistoryRow(0)[500], 0.0);  // the 20th spectrum wrapped to row 0
}

// Rows holding two humps a shift (31 bins) apart on a flat floor. Stored
// rows are smoothed, which delays them 31 bins; the search's offset takes
// that back, so unsmoothed humps read 31 bins (167 Hz) low.
TEST(TuningSearch, FindsAHumpPairAndIgnoresOneBelowTheBand) {
    const auto search = [](int32_t firstBin) {
        std::vector<double> history(CBandAnalyzer::kHistoryRows * kBins, 1000.0);
        for (int32_t r = 0; r < CBandAnalyzer::kHistoryRows; ++r) {
            for (int32_t k = firstBin; k < firstBin + 4; ++k) {
                history[r * kBins + k] = history[r * kBins + k + 31] = 3000.0;
            }
        }
        std::vector<double> work(kBins);
        return CTuningSearch::Candidate(history.data(), 85, work.data());
    };
    EXPECT_EQ(search(300), 1547);
    EXPECT_EQ(search(30), 94);
    // Found at -41 Hz: a pair with a tone below 0 Hz is no transmission.
    EXPECT_FALSE(search(5).has_value());
    // Too close to the top for the quiet stretch the pattern needs.
    EXPECT_FALSE(search(900).has_value());
}

}  // namespace
}  // namespace wavelore
