#include "dsp/bit_likelihood.h"

#include <algorithm>
#include <cmath>

namespace wavelore {

namespace {

// How much of a tone's level is taken as known: the Rician factor (specular
// over diffuse energy) the likelihood assumes.
constexpr double kSpecular = 20.0;

// How much of each new energy a tone's level takes when the tone is sent.
// Each level is updated on about half the bits; at the weakest usable
// signals (Eb/N0 about 6) an energy is known to +-50 % and the level
// averages about 40 of them, while a strong signal's energies are each
// nearly exact and the level follows a fade within a few bits. The share
// keeps the level's own spread near 6 %.
double SignalSmoothing(double snr) {
    // The relative variance of one energy, (1 + 2 snr) / (1 + snr)^2, and
    // a running mean's, about share / 2 of it.
    const double variance = (1.0 + 2.0 * snr) / ((1.0 + snr) * (1.0 + snr));
    return std::clamp(2.0 * 0.06 * 0.06 / std::max(variance, 1e-9), 1.0 / 64.0, 1.0 / 3.0);
}

// The noise under a tone does not fade with the signal: its level, taken
// when the other tone is sent, averages about 32 energies (0.6 s), each
// known only to +-100 %.
constexpr double kNoiseSmoothing = 1.0 / 32.0;

}  // namespace

bool CBitLikelihood::SetInvert(bool invert) {
    const bool previous = m_invert;
    m_invert = invert;
    return previous;
}

double CBitLikelihood::LogBesselI0(double x) {
    x = std::abs(x);
    if (x < 3.75) {
        // Abramowitz and Stegun 9.8.1, |error| < 1.6e-7.
        const double t = (x / 3.75) * (x / 3.75);
        return std::log(
            1.0 + t * (3.5156229 +
                       t * (3.0899424 +
                            t * (1.2067492 + t * (0.2659732 + t * (0.0360768 + t * 0.0045813))))));
    }
    // Abramowitz and Stegun 9.8.2, relative error < 1.9e-7.
    const double t = 3.75 / x;
    const double p =
        0.39894228 +
        t * (0.01328592 +
             t * (0.00225319 +
                  t * (-0.00157565 +
                       t * (0.00916281 +
                            t * (-0.02057706 +
                                 t * (0.02635537 + t * (-0.01647633 + t * 0.00392377)))))));
    return x - 0.5 * std::log(x) + std::log(p);
}

double CBitLikelihood::ToneLevels::Snr() const {
    return off > 0.0 ? std::max(on - off, 0.0) / off : 0.0;
}

double CBitLikelihood::ToneLevels::Evidence(double energy) const {
    const double signal = std::max(on - off, 0.0);
    if (!(off > 0.0) || signal == 0.0) {
        return 0.0;
    }
    // Non-coherent detection of a tone of amplitude a in complex noise of
    // energy s2: p(on) = exp(-(e + a^2) / s2) I0(2 a |x| / s2) / s2, and
    // p(off) = exp(-e / n) / n. The level is known only as well as the
    // fading lets it be followed, so a share of it counts as unknown, like
    // noise (a Rician channel of factor kSpecular), and an energy far from
    // the level yet far above the noise still says the tone is there.
    const double diffuse = signal / (kSpecular + 1.0);
    const double specular = signal - diffuse;
    const double spread = off + diffuse;
    return std::log(off / spread) + energy / off - (energy + specular) / spread +
           LogBesselI0(2.0 * std::sqrt(specular * energy) / spread);
}

double CBitLikelihood::SignalToNoise() const {
    return std::max(m_upper.Snr(), m_lower.Snr());
}

double CBitLikelihood::ToneSignalToNoise(bool upper) const {
    return (upper ? m_upper : m_lower).Snr();
}

void CBitLikelihood::Process(const ToneSums* in, size_t n, double* llr) {
    for (size_t i = 0; i < n; ++i) {
        // Each tone's own energy, without what the other leaks into it.
        const ToneSums bit = in[i].Separated();
        const double upper = bit.UpperEnergy();
        const double lower = bit.LowerEnergy();
        if (!m_started) {
            m_upper.on = m_lower.on = std::max(upper, lower);
            m_upper.off = m_lower.off = std::min(upper, lower);
            m_started = true;
        }
        double value = m_upper.Evidence(upper) - m_lower.Evidence(lower);
        if (upper != lower && !(m_upper.off > 0.0 && m_lower.off > 0.0) &&
            m_upper.on > m_upper.off && m_lower.on > m_lower.off) {
            // No noise at all (a synthetic signal): as sure as a bit gets.
            value = upper > lower ? kMaxLlr : -kMaxLlr;
        }
        value = std::clamp(value, -kMaxLlr, kMaxLlr);
        llr[i] = m_invert ? -value : value;

        // The levels follow the stronger tone's bits. Not the likelihood's
        // decision: a level left too high by a fade would make its tone
        // look absent and never be corrected; a tone that sinks into the
        // noise only lends the other's level some noise.
        const bool upperSent = upper > lower;
        ToneLevels& sent = upperSent ? m_upper : m_lower;
        ToneLevels& other = upperSent ? m_lower : m_upper;
        sent.on += SignalSmoothing(SignalToNoise()) * ((upperSent ? upper : lower) - sent.on);
        other.off += kNoiseSmoothing * ((upperSent ? lower : upper) - other.off);
    }
}

}  // namespace wavelore
