#include "sdr/filter_design.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace wavelore {

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

}  // namespace wavelore
