#pragma once

#include <complex>
#include <cstddef>

#include "dsp/complex_fir.h"

namespace wavelore {

// The weak-signal chain's selectivity: a linear-phase low-pass for complex
// samples mixed down to 0 Hz, flat over the pair of tones and their keying
// sidebands and steep beyond them, so that a strong carrier or another
// signal a few hundred hertz away never reaches the tone filters, whose own
// sidelobes there are only 20 to 30 dB down.
//
// A steep filter needs taps in proportion to its rate, so it runs at half
// the rate it is given: a half-band filter takes the rate down, the narrow
// filter works there, and a half-band filter brings the rate back up; the
// half-band filters' edges sit where what they let through folds onto
// what the narrow filter rejects. All three are Kaiser-windowed sincs (the
// window trades ripple for width exactly as asked, Kaiser and Schafer 1980).
class CChannelFilter {
  public:
    // rate: samples per second, > 0. passHz: flat from 0 to here, >= 0.
    // stopHz: > passHz and below a quarter of the rate; from here on the
    // gain is at most -stopDb (dB, > 21).
    CChannelFilter(double rate, double passHz, double stopHz, double stopDb);
    CChannelFilter(const CChannelFilter&) = delete;
    CChannelFilter& operator=(const CChannelFilter&) = delete;

    // A new design; the delay lines are cleared.
    void Design(double rate, double passHz, double stopHz, double stopDb);

    // One sample in, one out (delayed by about half of all the taps: the
    // three filters are linear phase).
    std::complex<double> Step(std::complex<double> x);
    // Step over n values of in into out (which may be in).
    void Process(const std::complex<double>* in, size_t n, std::complex<double>* out) {
        for (size_t k = 0; k < n; ++k) {
            out[k] = Step(in[k]);
        }
    }

    // The delay lines cleared; the design stays.
    void Reset();

  private:
    CComplexFir m_down;
    CComplexFir m_narrow;
    CComplexFir m_up;
    bool m_ready = false;
    bool m_odd = false;  // the next input completes a pair
    std::complex<double> m_pending;
};

}  // namespace wavelore
