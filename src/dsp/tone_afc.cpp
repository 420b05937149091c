#include "dsp/tone_afc.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace wavelore {

namespace {

// Share of the measured error corrected per bit: a time constant of about
// 50 bits on a clean signal, longer in noise, which also averages the
// measurement (a few hertz of jitter at the weakest usable signals).
constexpr double kGain = 0.02;
constexpr double kEnergySmoothing = 1.0 / 16.0;

}  // namespace

CToneAfc::CToneAfc(double halfWindowSeconds, double rangeHz)
    : m_halfWindow(std::max(halfWindowSeconds, 1e-6)), m_range(std::max(rangeHz, 0.0)) {}

void CToneAfc::SetOffset(double hz) {
    m_offset = std::isfinite(hz) ? std::clamp(hz, -m_range, m_range) : 0.0;
}

double CToneAfc::Process(const ToneSums* in, size_t n, double weight) {
    weight = std::clamp(weight, 0.0, 1.0);
    for (size_t i = 0; i < n; ++i) {
        const ToneSums& b = in[i];
        // A tone delta Hz above its expected place turns through
        // 2 pi delta T/2 between the halves; noise adds nothing on average.
        const std::complex<double> turn =
            b.upperLate * std::conj(b.upperEarly) + b.lowerLate * std::conj(b.lowerEarly);
        const double energy = std::norm(b.upperEarly) + std::norm(b.upperLate) +
                              std::norm(b.lowerEarly) + std::norm(b.lowerLate);
        m_energy = m_energy > 0.0 ? m_energy + kEnergySmoothing * (energy - m_energy) : energy;
        if (!(m_energy > 0.0) || weight == 0.0) {
            continue;
        }
        // Im(turn) / energy is sin(angle) / 2 for a clean tone.
        const double angle = std::asin(std::clamp(2.0 * turn.imag() / m_energy, -1.0, 1.0));
        const double delta = angle / (2.0 * std::numbers::pi * m_halfWindow);
        SetOffset(m_offset + kGain * weight * delta);
    }
    return m_offset;
}

}  // namespace wavelore
