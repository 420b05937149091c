#include "dsp/bit_likelihood.h"

#include <algorithm>
#include <cmath>

namespace wavelore {

namespace {

// The level estimates follow about 30 bits (0.3 s at 100 baud): fast
// enough for fading, slow enough to average the noise.
constexpr double kLevelSmoothing = 1.0 / 30.0;

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

double CBitLikelihood::SignalToNoise() const {
    if (!(m_weaker > 0.0)) {
        return 0.0;
    }
    return std::max(m_stronger - m_weaker, 0.0) / m_weaker;
}

void CBitLikelihood::Process(const ToneSums* bits, int32_t count, double* llr) {
    for (int32_t i = 0; i < count; ++i) {
        const double upper = bits[i].UpperEnergy();
        const double lower = bits[i].LowerEnergy();
        const double stronger = std::max(upper, lower);
        const double weaker = std::min(upper, lower);
        if (!m_started) {
            m_stronger = stronger;
            m_weaker = weaker;
            m_started = true;
        } else {
            m_stronger += kLevelSmoothing * (stronger - m_stronger);
            m_weaker += kLevelSmoothing * (weaker - m_weaker);
        }
        // The weaker tone holds noise (its mean is the noise energy while a
        // signal is there); the stronger one signal plus noise.
        const double noise = m_weaker;
        const double signal = m_stronger - m_weaker;
        double value = 0.0;
        if (noise > 0.0 && signal > 0.0) {
            // Non-coherent detection of a tone of amplitude a in complex
            // noise of energy s2: p(on) / p(off) = I0(2a|x| / s2).
            const double scale = 2.0 * std::sqrt(signal) / noise;
            value = LogBesselI0(scale * std::sqrt(upper)) - LogBesselI0(scale * std::sqrt(lower));
        } else if (upper != lower && noise <= 0.0 && signal > 0.0) {
            // No noise at all (a synthetic signal): as sure as a bit gets.
            value = upper > lower ? kMaxLlr : -kMaxLlr;
        }
        value = std::clamp(value, -kMaxLlr, kMaxLlr);
        llr[i] = m_invert ? -value : value;
    }
}

}  // namespace wavelore
