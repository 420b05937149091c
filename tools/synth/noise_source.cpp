#include "synth/noise_source.h"

#include <cmath>
#include <numbers>

namespace wavelore::synth {

double CNoiseSource::Next() {
    if (m_hasSpare) {
        m_hasSpare = false;
        return m_spare;
    }
    const double radius = std::sqrt(-2.0 * std::log(Uniform()));
    const double angle = 2.0 * std::numbers::pi * Uniform();
    m_spare = radius * std::sin(angle);
    m_hasSpare = true;
    return radius * std::cos(angle);
}

}  // namespace wavelore::synth
