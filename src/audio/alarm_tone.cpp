#include "audio/alarm_tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wavelore {

CAlarmTone::CAlarmTone(int32_t sampleRate, double seconds)
    : m_sampleRate(sampleRate),
      m_total(static_cast<int64_t>(std::llround(seconds * sampleRate))),
      m_period(static_cast<int64_t>(std::llround(2 * (kBeepSeconds + kGapSeconds) * sampleRate))) {}

float CAlarmTone::SampleAt(int64_t position) const {
    // Each beep is computed from its own start, so the phase never drifts.
    const int64_t half = m_period / 2;
    const int64_t inPeriod = position % m_period;
    const bool high = inPeriod >= half;
    const double t = static_cast<double>(inPeriod - (high ? half : 0)) / m_sampleRate;
    if (t >= kBeepSeconds) {
        return 0.0f;
    }
    const double ramp = std::min({1.0, t / kRampSeconds, (kBeepSeconds - t) / kRampSeconds});
    const double envelope = 0.5 - 0.5 * std::cos(std::numbers::pi * ramp);
    const double hz = high ? kHighHz : kLowHz;
    return static_cast<float>(kLevel * envelope * std::sin(2 * std::numbers::pi * hz * t));
}

size_t CAlarmTone::Generate(std::span<float> out) {
    size_t produced = 0;
    for (float& sample : out) {
        if (m_position < m_total) {
            sample = SampleAt(m_position++);
            ++produced;
        } else {
            sample = 0.0f;
        }
    }
    return produced;
}

}  // namespace wavelore
