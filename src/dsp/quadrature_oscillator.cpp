#include "dsp/quadrature_oscillator.h"

#include <cmath>
#include <numbers>

namespace wavelore {

CQuadratureOscillator::CQuadratureOscillator(int32_t sampleRate) : m_sampleRate(sampleRate) {
    UpdateRotation();
}

int CQuadratureOscillator::SetFrequency(double hz) {
    if (!(hz > 0.0)) {
        return -1;
    }
    if (hz != m_frequency) {
        m_frequency = hz;
        UpdateRotation();
    }
    return 0;
}

void CQuadratureOscillator::UpdateRotation() {
    if (m_sampleRate <= 0) {
        m_cos = 1.0;
        m_sin = 0.0;
        return;
    }
    const double delta = 2.0 * std::numbers::pi * m_frequency / m_sampleRate;
    m_cos = std::cos(delta);
    m_sin = std::sin(delta);
}

}  // namespace wavelore
