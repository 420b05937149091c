#pragma once

#include <cstdint>
#include <vector>

namespace wavelore {

// Linear-phase FIR designs for the channelizer: Kaiser-windowed sincs (the
// window trades ripple for width exactly as asked, Kaiser and Schafer 1980)
// and maximally flat half-band filters, whose high-order zero at half the
// rate rejects a narrow band there with only a few taps.

// The Kaiser window's shape parameter for a stopband stopDb down (dB, > 0).
double KaiserBeta(double stopDb);
// The odd tap count a Kaiser design needs for stopDb over a transition of
// width (a fraction of the rate, > 0).
int32_t KaiserTapCount(double stopDb, double width);
// A low-pass of count taps (odd, >= 3) cut at cutoff (a fraction of the
// rate), Kaiser window of shape beta, with the given gain at 0 Hz.
std::vector<double> KaiserLowPass(double cutoff, int32_t count, double beta, double gain);

// The maximally flat half-band filter with pairs non-zero taps either side
// of the middle (4 * pairs - 1 taps): the middle tap is 1/2, the others are
// the weights of midpoint interpolation through 2 * pairs points.
std::vector<double> MaxFlatHalfBand(int32_t pairs);

// |H(f)| of real taps at f, a fraction of the rate.
double Magnitude(const std::vector<double>& taps, double f);

}  // namespace wavelore
