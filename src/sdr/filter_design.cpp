#include "sdr/filter_design.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace wavelore {

namespace {

constexpr double kPassRippleDb = 0.01;

// Whether taps stay flat to passHz and reject stopDb from rate/2 - aliasHz
// to rate/2 (on a grid fine enough for these smooth responses).
bool Meets(const std::vector<double>& taps, double rate, double passHz, double aliasHz,
           double stopDb) {
    constexpr int kPoints = 48;
    const double ripple = std::pow(10.0, kPassRippleDb / 20.0) - 1.0;
    const double stop = std::pow(10.0, -stopDb / 20.0);
    for (int i = 0; i <= kPoints; ++i) {
        const double f = passHz / rate * i / kPoints;
        if (std::abs(Magnitude(taps, f) - 1.0) > ripple) {
            return false;
        }
        const double g = 0.5 - aliasHz / rate * i / kPoints;
        if (Magnitude(taps, g) > stop) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<double> MaxFlatHalfBand(int32_t pairs) {
    pairs = std::max(pairs, 1);
    // Lagrange weights at 0 of the nodes +-1/2, +-3/2, ...
    std::vector<double> taps(static_cast<size_t>(4 * pairs - 1), 0.0);
    const int32_t middle = 2 * pairs - 1;
    taps[static_cast<size_t>(middle)] = 0.5;
    for (int32_t k = 1; k <= pairs; ++k) {
        const double xk = k - 0.5;
        double weight = 1.0;
        for (int32_t i = 1; i <= pairs; ++i) {
            for (const double xi : {i - 0.5, -(i - 0.5)}) {
                if (xi != xk) {
                    weight *= (0.0 - xi) / (xk - xi);
                }
            }
        }
        taps[static_cast<size_t>(middle - (2 * k - 1))] = weight / 2.0;
        taps[static_cast<size_t>(middle + (2 * k - 1))] = weight / 2.0;
    }
    return taps;
}

double Magnitude(const std::vector<double>& taps, double f) {
    std::complex<double> sum;
    for (size_t k = 0; k < taps.size(); ++k) {
        sum += taps[k] * std::polar(1.0, -2.0 * std::numbers::pi * f * static_cast<double>(k));
    }
    return std::abs(sum);
}

std::vector<double> HalfBandTaps(double rate, double passHz, double aliasHz, double stopDb) {
    if (!(rate > 0.0) || passHz < 0.0 || aliasHz < passHz || aliasHz >= rate / 4.0) {
        return {};
    }
    for (int32_t pairs = 1; pairs <= kMaxHalfBandPairs; ++pairs) {
        std::vector<double> flat = MaxFlatHalfBand(pairs);
        if (Meets(flat, rate, passHz, aliasHz, stopDb)) {
            return flat;
        }
        // A Kaiser sinc cut at a quarter of the rate is a half-band filter too.
        std::vector<double> kaiser = KaiserLowPass(0.25, 4 * pairs - 1, KaiserBeta(stopDb), 1.0);
        if (Meets(kaiser, rate, passHz, aliasHz, stopDb)) {
            return kaiser;
        }
    }
    return {};
}

std::complex<double> TableTurn(int64_t turns, int64_t index, int64_t length) {
    // Exact angles, reduced before the sine: the table repeats exactly.
    const int64_t step = ((turns * index) % length + length) % length;
    return std::polar(
        1.0, -2.0 * std::numbers::pi * static_cast<double>(step) / static_cast<double>(length));
}

}  // namespace wavelore
