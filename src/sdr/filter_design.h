#pragma once

#include <complex>
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

// The most non-zero tap pairs either side of a half-band filter's middle.
constexpr int32_t kMaxHalfBandPairs = 64;

// The shortest half-band filter (maximally flat, or Kaiser where that is
// shorter) for rate (Hz) that stays within 0.01 dB from 0 to passHz and
// rejects by stopDb (dB) all that folds onto 0..aliasHz when the rate is
// halved. Empty when none of up to kMaxHalfBandPairs pairs meets it, or
// the band is too wide (aliasHz must lie below a quarter of the rate).
std::vector<double> HalfBandTaps(double rate, double passHz, double aliasHz, double stopDb);

// Entry index of a mixing table of length entries that turns turns times
// around the circle: exp(-2 pi i turns index / length), its angle reduced
// exactly first so the table repeats to the bit.
std::complex<double> TableTurn(int64_t turns, int64_t index, int64_t length);

}  // namespace wavelore
