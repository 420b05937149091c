#include "dsp/kaiser_design.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/complex_fir.h"

namespace wavelore {

namespace {

// I0(x) by its power series; converges quickly for the window's arguments.
double BesselI0(double x) {
    double term = 1.0;
    double sum = 1.0;
    const double q = x * x / 4.0;
    for (int k = 1; k < 200 && term > 1e-14 * sum; ++k) {
        term *= q / (double(k) * k);
        sum += term;
    }
    return sum;
}

}  // namespace

double KaiserBeta(double stopDb) {
    const double a = std::max(stopDb, 21.0);
    return a > 50.0 ? 0.1102 * (a - 8.7) : 0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0);
}

int32_t KaiserTapCount(double stopDb, double width) {
    const double a = std::max(stopDb, 21.0);
    const double wanted = std::ceil((a - 7.95) / (2.285 * 2.0 * std::numbers::pi * width)) + 1.0;
    return static_cast<int32_t>(std::clamp(wanted, 3.0, 1e6)) | 1;
}

void KaiserLowPass(double cutoff, int32_t count, double beta, double gain, double* taps) {
    const double norm = BesselI0(beta);
    WindowedSinc(
        cutoff, count,
        [&](double r) { return BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / norm; },
        taps);
    for (int32_t i = 0; i < count; ++i) {
        taps[i] *= gain;
    }
}

std::vector<double> KaiserLowPass(double cutoff, int32_t count, double beta, double gain) {
    count = std::max(count, 3) | 1;
    std::vector<double> taps(static_cast<size_t>(count));
    KaiserLowPass(cutoff, count, beta, gain, taps.data());
    return taps;
}

}  // namespace wavelore
