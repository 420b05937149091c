#pragma once

#include <cstdint>
#include <vector>

#include "dsp/kaiser_design.h"

namespace wavelore {

// Linear-phase FIR designs for the channelizer beside the Kaiser designs:
// maximally flat half-band filters, whose high-order zero at half the rate
// rejects a narrow band there with only a few taps.

// The maximally flat half-band filter with pairs non-zero taps either side
// of the middle (4 * pairs - 1 taps): the middle tap is 1/2, the others are
// the weights of midpoint interpolation through 2 * pairs points.
std::vector<double> MaxFlatHalfBand(int32_t pairs);

// |H(f)| of real taps at f, a fraction of the rate.
double Magnitude(const std::vector<double>& taps, double f);

}  // namespace wavelore
