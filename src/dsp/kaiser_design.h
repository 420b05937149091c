#pragma once

#include <cstdint>
#include <vector>

namespace wavelore {

// Kaiser-windowed sinc low-pass designs: the window trades ripple for width
// exactly as asked (Kaiser and Schafer 1980).

// The Kaiser window's shape parameter for a stopband stopDb down (dB, > 0).
double KaiserBeta(double stopDb);
// The odd tap count a Kaiser design needs for stopDb over a transition of
// width (a fraction of the rate, > 0).
int32_t KaiserTapCount(double stopDb, double width);
// A low-pass of count taps (odd, >= 3) cut at cutoff (a fraction of the
// rate), Kaiser window of shape beta, with the given gain at 0 Hz.
std::vector<double> KaiserLowPass(double cutoff, int32_t count, double beta, double gain);
// The same into taps[0..count) for a caller that must not allocate.
void KaiserLowPass(double cutoff, int32_t count, double beta, double gain, double* taps);

}  // namespace wavelore
