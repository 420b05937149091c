#pragma once

#include <cstdint>

#include "dsp/tone_detector.h"

namespace wavelore {

// The soft value of each bit: the log-likelihood ratio, in nats, that the
// bit is a 1 (the upper tone, or the lower one when inverted), from the
// energies of the two tones' matched filters. Running estimates of the
// signal and the noise in those filters scale it, so a weak and a strong
// signal, or a copy sent in a fade and one sent at full strength, weigh as
// much as their evidence.
class CBitLikelihood {
  public:
    // The most a single bit may weigh: no bit is surer than e^-25, so one
    // impulse cannot outvote a whole character.
    static constexpr double kMaxLlr = 25.0;

    CBitLikelihood() = default;

    // Returns the previous setting.
    bool SetInvert(bool invert);

    // One value per bit into llr.
    void Process(const ToneSums* bits, int32_t count, double* llr);

    // Estimated energy per bit over the noise in one tone's filter (about
    // Eb/N0); 2 for noise alone, 0 before any input.
    double SignalToNoise() const;

    // ln I0(x), the modified Bessel function of order 0, for x >= 0.
    static double LogBesselI0(double x);

  private:
    bool m_invert = false;
    // Running means of the stronger and the weaker tone's energy per bit.
    double m_stronger = 0.0;
    double m_weaker = 0.0;
    bool m_started = false;
};

}  // namespace wavelore
