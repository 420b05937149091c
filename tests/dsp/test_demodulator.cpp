// The FSK demodulator: output sign for each tone, invert, block handling,
// and agreement with the plain reference across retunes and block cuts.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/fsk_demodulator.h"
#include "support/decode_chain.h"
#include "support/reference_dsp.h"

namespace wavelore {
namespace {

std::vector<double> Tone(double hz, size_t count, double amplitude = 50.0) {
    std::vector<double> v(count);
    for (size_t i = 0; i < count; ++i) {
        v[i] = amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / 11025.0);
    }
    return v;
}

std::vector<double> Demodulate(CFskDemodulator& demod, const std::vector<double>& in) {
    std::vector<double> out(in.size());
    out.resize(demod.Process(in.data(), in.size(), out.data()));
    return out;
}

TEST(FskDemodulator, ToneSignsAndInvert) {
    for (bool invert : {false, true}) {
        CFskDemodulator demod(11025, 1785.0, 1615.0, 100);
        EXPECT_FALSE(demod.SetInvert(invert));
        EXPECT_EQ(demod.SetInvert(invert), invert);
        const double sign = invert ? -1.0 : 1.0;
        // After the filters and integrators have filled, the sign is steady
        // and the value is on the log scale.
        std::vector<double> upper = Demodulate(demod, Tone(1785.0, 4096));
        for (size_t i = 400; i < upper.size(); ++i) {
            ASSERT_GT(sign * upper[i], 1.0) << i;
            ASSERT_LT(sign * upper[i], 40.0) << i;
        }
        CFskDemodulator other(11025, 1785.0, 1615.0, 100);
        other.SetInvert(invert);
        std::vector<double> lower = Demodulate(other, Tone(1615.0, 4096));
        for (size_t i = 400; i < lower.size(); ++i) {
            ASSERT_LT(sign * lower[i], -1.0) << i;
        }
    }
}

TEST(FskDemodulator, SilenceAndTinyValuesStayLinear) {
    CFskDemodulator demod(11025, 1785.0, 1615.0, 100);
    const std::vector<double> out = Demodulate(demod, std::vector<double>(2048, 0.0));
    EXPECT_EQ(out, std::vector<double>(2048, 0.0));
}

TEST(FskDemodulator, BlockCountsAndRefusals) {
    CFskDemodulator demod(11025, 1785.0, 1615.0, 100);
    EXPECT_EQ(demod.Baud(), 100);
    EXPECT_EQ(test::Demodulate(demod, SampleBlock(nullptr, 2048)).Count(), 2048);
    EXPECT_EQ(test::Demodulate(demod, SampleBlock(nullptr, 5)).Count(), 5);
    EXPECT_EQ(test::Demodulate(demod, SampleBlock(nullptr, 5000)).Count(), 5000);
    EXPECT_TRUE(test::Demodulate(demod, SampleBlock()).Empty());
    CFskDemodulator slow(2000, 1785.0, 1615.0, 100);
    EXPECT_TRUE(test::Demodulate(slow, SampleBlock(nullptr, 2048)).Empty());
}

TEST(FskDemodulator, RetuningFollowsTheNewTones) {
    CFskDemodulator demod(11025, 1785.0, 1615.0, 100);
    Demodulate(demod, Tone(1785.0, 2048));
    // Tuned 300 Hz higher, the old upper tone is now far below both tones
    // and the new upper tone reads positive again.
    demod.SetTones(2085.0, 1915.0);
    EXPECT_EQ(demod.UpperTone(), 2085.0);
    const std::vector<double> out = Demodulate(demod, Tone(2085.0, 4096));
    for (size_t i = 400; i < out.size(); ++i) {
        ASSERT_GT(out[i], 1.0) << i;
    }
}

TEST(FskDemodulator, MatchesThePlainFormAcrossRetunesAndCuts) {
    std::mt19937 rng(21);
    std::normal_distribution<double> noise(0.0, 30.0);
    std::vector<double> input = Tone(1700.0, 40000, 40.0);
    for (double& x : input) {
        x += noise(rng);
    }
    // Retune and flip invert at the same sample positions in both forms.
    struct Step {
        size_t at;
        double upper;
        double lower;
        bool invert;
    };
    const std::vector<Step> steps = {{0, 1785, 1615, false},     {9000, 1800, 1630, false},
                                     {15000, 1800, 1630, true},  {22222, 960, 130, false},
                                     {30000, 5400, 5230, false}, {36000, 1785, 1615, false}};
    reference::FskDemodulator ref(11025, 1785, 1615, 100);
    std::vector<double> expected;
    for (size_t s = 0; s < steps.size(); ++s) {
        const size_t end = s + 1 < steps.size() ? steps[s + 1].at : input.size();
        ref.SetTones(11025, steps[s].upper, steps[s].lower);
        ref.SetInvert(steps[s].invert);
        for (size_t pos = steps[s].at; pos < end; pos += 2048) {
            const int32_t n = static_cast<int32_t>(std::min<size_t>(2048, end - pos));
            SampleBlock out = ref.Process(SampleBlock(input.data() + pos, n));
            expected.insert(expected.end(), out.Data(), out.Data() + n);
        }
    }
    for (size_t cut : {size_t{1}, size_t{100}, size_t{2048}, size_t{7000}}) {
        CFskDemodulator fast(11025, 1785, 1615, 100);
        std::vector<double> got;
        for (size_t s = 0; s < steps.size(); ++s) {
            const size_t end = s + 1 < steps.size() ? steps[s + 1].at : input.size();
            fast.SetTones(steps[s].upper, steps[s].lower);
            fast.SetInvert(steps[s].invert);
            for (size_t pos = steps[s].at; pos < end; pos += cut) {
                const size_t n = std::min(cut, end - pos);
                std::vector<double> out(n);
                ASSERT_EQ(fast.Process(input.data() + pos, n, out.data()), n);
                got.insert(got.end(), out.begin(), out.end());
            }
        }
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) {
            ASSERT_NEAR(got[i], expected[i], 1e-12 * std::max(1.0, std::fabs(expected[i])))
                << "sample " << i << ", cut " << cut;
        }
    }
}

}  // namespace
}  // namespace wavelore
