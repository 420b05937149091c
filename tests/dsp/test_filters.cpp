// FIR filter, moving average and quadrature oscillator: exact design
// numbers, and bit-for-bit agreement with the plain reference forms over
// many lengths and block cuts.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/fir_filter.h"
#include "dsp/moving_average.h"
#include "dsp/quadrature_oscillator.h"
#include "support/reference_dsp.h"

namespace wavelore {
namespace {

constexpr double kPi = std::numbers::pi;

// Noise whose values span many orders of magnitude, so that any change in
// the order of a sum changes its rounding.
std::vector<double> WideNoise(size_t count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> normal;
    std::uniform_int_distribution<int> exponent(-8, 8);
    std::vector<double> v(count);
    for (double& x : v) {
        x = std::ldexp(normal(rng), exponent(rng) * 4);
    }
    return v;
}

// Consecutive block sizes used to cut one input several ways.
const std::vector<std::vector<int32_t>> kCuts = {
    {1}, {2, 3}, {15, 16, 17}, {111, 7, 250}, {511, 512, 513}, {2048}, {100000},
};

template <typename Fn>
std::vector<double> InBlocks(std::vector<double> data, const std::vector<int32_t>& sizes, Fn fn) {
    size_t pos = 0;
    for (size_t b = 0; pos < data.size(); ++b) {
        const size_t n = std::min<size_t>(sizes[b % sizes.size()], data.size() - pos);
        fn(data.data() + pos, static_cast<int32_t>(n));
        pos += n;
    }
    return data;
}

double Response(const double* taps, int32_t n, double hz) {
    std::complex<double> sum;
    for (int32_t i = 0; i < n; ++i) {
        sum += taps[i] * std::polar(1.0, -2.0 * kPi * hz / 11025.0 * i);
    }
    return std::abs(sum);
}

TEST(FirFilter, TapCountsAndLowPassGain) {
    CFirFilter filter;
    EXPECT_EQ(filter.Design(128, 0.0, 100.0 / 5512), 129);
    EXPECT_EQ(filter.TapCount(), 129);
    double sum = 0.0;
    for (int32_t i = 0; i < 129; ++i) {
        sum += filter.Taps()[i];
        EXPECT_NEAR(filter.Taps()[i], filter.Taps()[128 - i], 1e-17);
    }
    EXPECT_NEAR(sum, 1.0, 1e-15);
    // A constant comes through unchanged once the delay line is full.
    std::vector<double> ones(400, 1.0);
    filter.Process(ones.data(), 400, ones.data());
    EXPECT_NEAR(ones[399], 1.0, 1e-12);
    EXPECT_LT(Response(filter.Taps(), 129, 400.0), 0.01);

    EXPECT_EQ(filter.Design(63, 0.0, 0.3), 63);
    EXPECT_EQ(filter.Design(1, 0.0, 0.3), 1);
    EXPECT_EQ(filter.Taps()[0], 1.0);
}

TEST(FirFilter, BandPassEdgesAroundTheTones) {
    // 1700 Hz centre, 170 Hz shift: 1465 Hz to 1935 Hz.
    CFirFilter filter;
    ASSERT_EQ(filter.Design(128, 1465.0 / 5512, 1935.0 / 5512), 129);
    const double* taps = filter.Taps();
    const double mid = Response(taps, 129, 1700.0);
    // Both tones pass alike, the edges sit at half amplitude, far
    // frequencies are rejected.
    EXPECT_NEAR(Response(taps, 129, 1615.0) / mid, 1.0, 0.02);
    EXPECT_NEAR(Response(taps, 129, 1785.0) / mid, 1.0, 0.02);
    EXPECT_NEAR(Response(taps, 129, 1465.0) / mid, 0.5, 0.05);
    EXPECT_NEAR(Response(taps, 129, 1935.0) / mid, 0.5, 0.05);
    EXPECT_LT(Response(taps, 129, 1000.0) / mid, 0.005);
    EXPECT_LT(Response(taps, 129, 2500.0) / mid, 0.005);
    // Normalised by the magnitude of its tap sum, like the low-pass.
    double sum = 0.0;
    for (int32_t i = 0; i < 129; ++i) {
        sum += taps[i];
    }
    EXPECT_NEAR(std::fabs(sum), 1.0, 1e-12);
}

TEST(FirFilter, EdgesOutsideTheBandAndFailedDesigns) {
    CFirFilter clamped;
    CFirFilter lowPass;
    // A lower tone under 150 Hz puts the low edge below 0: a low-pass.
    ASSERT_EQ(clamped.Design(128, -50.0 / 5512, 400.0 / 5512), 129);
    lowPass.Design(128, 0.0, 400.0 / 5512);
    for (int32_t i = 0; i < 129; ++i) {
        EXPECT_EQ(clamped.Taps()[i], lowPass.Taps()[i]);
    }
    // An upper edge past 5512 Hz: still finite taps.
    ASSERT_EQ(clamped.Design(128, 5300.0 / 5512, 5600.0 / 5512), 129);
    for (int32_t i = 0; i < 129; ++i) {
        EXPECT_TRUE(std::isfinite(clamped.Taps()[i]));
    }
    // An empty band and a refused design both give silence.
    std::vector<double> data(300, 1.0);
    ASSERT_EQ(clamped.Design(128, 0.5, 0.3), 129);
    clamped.Process(data.data(), 300, data.data());
    EXPECT_EQ(data, std::vector<double>(300, 0.0));
    data.assign(300, 1.0);
    EXPECT_EQ(clamped.Design(CFirFilter::kMaxTaps + 1, 0.0, 0.3), -1);
    EXPECT_EQ(clamped.Design(0, 0.0, 0.3), -1);
    EXPECT_EQ(clamped.TapCount(), 0);
    clamped.Process(data.data(), 300, data.data());
    EXPECT_EQ(data, std::vector<double>(300, 0.0));
}

TEST(FirFilter, MatchesTheShiftedDelayLineForAnyCut) {
    const std::vector<double> input = WideNoise(6000, 3);
    for (const auto& [taps, low, high] :
         std::vector<std::tuple<int32_t, double, double>>{{128, 1465.0 / 5512, 1935.0 / 5512},
                                                          {128, 0.0, 100.0 / 5512},
                                                          {63, 0.1, 0.2},
                                                          {2, 0.0, 0.5},
                                                          {1, 0.0, 0.5}}) {
        reference::FirFilter ref;
        ASSERT_EQ(ref.Design(taps, low, high), taps | 1);
        const std::vector<double> expected =
            InBlocks(input, {2048}, [&](double* d, int32_t n) { ref.Filter(d, n); });
        for (const auto& cut : kCuts) {
            CFirFilter fast;
            ASSERT_EQ(fast.Design(taps, low, high), taps | 1);
            for (int32_t i = 0; i < fast.TapCount(); ++i) {
                ASSERT_EQ(fast.Taps()[i], ref.Taps()[static_cast<size_t>(i)]);
            }
            EXPECT_EQ(InBlocks(input, cut, [&](double* d, int32_t n) { fast.Process(d, n, d); }),
                      expected)
                << taps << " taps, cut " << cut[0];
        }
    }
}

TEST(FirFilter, RedesignClearsTheDelayLine) {
    const std::vector<double> input = WideNoise(700, 4);
    CFirFilter used;
    used.Design(128, 0.0, 0.1);
    std::vector<double> scratch = input;
    used.Process(scratch.data(), 700, scratch.data());
    used.Design(128, 0.2, 0.3);
    CFirFilter fresh;
    fresh.Design(128, 0.2, 0.3);
    std::vector<double> a = input;
    std::vector<double> b = input;
    used.Process(a.data(), 700, a.data());
    fresh.Process(b.data(), 700, b.data());
    EXPECT_EQ(a, b);
}

TEST(MovingAverage, ExactSmallCases) {
    CMovingAverage average(4);
    EXPECT_EQ(average.Filter(1.0), 0.25);
    EXPECT_EQ(average.Filter(2.0), 0.75);
    EXPECT_EQ(average.Filter(3.0), 1.5);
    EXPECT_EQ(average.Filter(4.0), 2.5);
    EXPECT_EQ(average.Filter(5.0), 3.5);
    // Setting the length starts again from zeros.
    average.SetLength(2);
    EXPECT_EQ(average.Filter(8.0), 4.0);
    EXPECT_EQ(average.Filter(2.0), 5.0);

    CMovingAverage none;
    EXPECT_EQ(none.Filter(3.0), 0.0);
    CMovingAverage zero(0);
    std::vector<double> data = {1.0, 2.0};
    zero.Process(data.data(), 2, data.data());
    EXPECT_EQ(data, (std::vector<double>{0.0, 0.0}));
}

TEST(MovingAverage, MatchesFullResummationForAnyLengthAndCut) {
    const std::vector<double> input = WideNoise(3000, 5);
    for (int32_t length : {1, 2, 3, 15, 16, 17, 31, 100, 110, 111, 300}) {
        reference::MovingAverage ref(length);
        std::vector<double> expected = input;
        for (double& x : expected) {
            x = ref.Filter(x);
        }
        CMovingAverage single(length);
        std::vector<double> one = input;
        for (double& x : one) {
            x = single.Filter(x);
        }
        EXPECT_EQ(one, expected) << "length " << length;
        for (const auto& cut : kCuts) {
            CMovingAverage block(length);
            EXPECT_EQ(InBlocks(input, cut, [&](double* d, int32_t n) { block.Process(d, n, d); }),
                      expected)
                << "length " << length << ", cut " << cut[0];
        }
    }
}

TEST(QuadratureOscillator, AmplitudeStaysOneAndFrequencyIsRight) {
    CQuadratureOscillator osc(11025);
    double re = 0.0, im = 0.0;
    osc.Next(re, im);
    EXPECT_EQ(re, 1.0);
    EXPECT_EQ(im, 0.0);
    ASSERT_EQ(osc.SetFrequency(1785.0), 0);
    double worst = 0.0;
    for (int i = 1; i < 2000000; ++i) {
        osc.Next(re, im);
        worst = std::max(worst, std::fabs(std::hypot(re, im) - 1.0));
    }
    EXPECT_LT(worst, 1e-15);
    // 11025 steps at 1000 Hz are exactly 1000 turns.
    CQuadratureOscillator turns(11025);
    turns.SetFrequency(1000.0);
    for (int i = 0; i < 11025; ++i) {
        turns.Next(re, im);
    }
    turns.Next(re, im);
    EXPECT_NEAR(re, 1.0, 1e-9);
    EXPECT_NEAR(im, 0.0, 1e-6);
}

TEST(QuadratureOscillator, RetuningKeepsThePhaseAndBadFrequenciesAreRefused) {
    CQuadratureOscillator a(11025);
    CQuadratureOscillator b(11025);
    a.SetFrequency(1000.0);
    b.SetFrequency(1000.0);
    double ar, ai, br, bi;
    for (int i = 0; i < 137; ++i) {
        a.Next(ar, ai);
        b.Next(br, bi);
    }
    EXPECT_EQ(b.SetFrequency(0.0), -1);
    EXPECT_EQ(b.SetFrequency(-300.0), -1);
    EXPECT_EQ(b.SetFrequency(1000.0), 0);
    EXPECT_EQ(b.Frequency(), 1000.0);
    for (int i = 0; i < 50; ++i) {
        a.Next(ar, ai);
        b.Next(br, bi);
        ASSERT_EQ(ar, br);
        ASSERT_EQ(ai, bi);
    }
    // A new frequency takes effect from the next step on: the phasor
    // returned first is the one the old frequency had reached.
    ASSERT_EQ(b.SetFrequency(1500.0), 0);
    a.Next(ar, ai);
    b.Next(br, bi);
    EXPECT_EQ(ar, br);
    EXPECT_EQ(ai, bi);
    a.Next(ar, ai);
    b.Next(br, bi);
    EXPECT_NE(ar, br);
    // A copy taken mid-stream goes on exactly like the original.
    CQuadratureOscillator copy = b;
    double cr, ci;
    for (int i = 0; i < 100; ++i) {
        b.Next(br, bi);
        copy.Next(cr, ci);
        ASSERT_EQ(br, cr);
        ASSERT_EQ(bi, ci);
    }
    // And it matches the plain form step for step across the retune.
    reference::QuadratureOscillator ref(11025);
    CQuadratureOscillator fast(11025);
    for (double hz : {1785.0, 1615.0, -5.0, 2000.5}) {
        EXPECT_EQ(ref.SetFrequency(hz), fast.SetFrequency(hz));
        for (int i = 0; i < 1000; ++i) {
            ref.Next(ar, ai);
            fast.Next(br, bi);
            ASSERT_EQ(ar, br);
            ASSERT_EQ(ai, bi);
        }
    }
}

}  // namespace
}  // namespace wavelore
