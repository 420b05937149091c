#include "dsp/bit_clock.h"

#include <algorithm>
#include <cmath>

#include "common/nothrow.h"

namespace wavelore {

namespace {

// Loop gains per bit for an error in bits; a loop bandwidth of about 1 % of
// the bit rate, damped: the clock settles in a second or two and averages
// the timing error of dozens of transitions.
constexpr double kProportional = 0.02;
constexpr double kIntegral = 0.0002;
constexpr double kMaxRateError = 0.01;

}  // namespace

CBitClock::CBitClock(double samplesPerBit)
    : m_nominal(std::max(samplesPerBit, 2.0)), m_next(m_nominal) {
    int64_t size = 8;
    while (size < static_cast<int64_t>(m_nominal) + 4) {
        size *= 2;
    }
    m_history = NewArray<ToneSums>(static_cast<size_t>(size));
    m_mask = m_history ? size - 1 : 0;
}

void CBitClock::Reset() {
    m_weight = 1.0;
    m_upperScale = 0.0;
    m_lowerScale = 0.0;
    m_upperShare = 0.5;
    m_previousUpper = 0.0;
    m_previousLower = 0.0;
    m_rate = 0.0;
    m_next = m_nominal;
    m_previousDifference = 0.0;
    if (m_history) {
        std::fill(m_history.get(), m_history.get() + m_mask + 1, ToneSums());
    }
    m_count = 0;
}

void CBitClock::SetLoopWeight(double weight) {
    m_weight = std::clamp(weight, 0.0, 1.0);
}

void CBitClock::SetToneLevels(double upper, double lower) {
    if (upper > 0.0 && lower > 0.0 && std::isfinite(upper) && std::isfinite(lower)) {
        m_upperScale = 1.0 / upper;
        m_lowerScale = 1.0 / lower;
        m_upperShare = upper / (upper + lower);
    }
}

double CBitClock::TimingError(const ToneSums& bit, const ToneSums& middle) {
    const double difference = Difference(bit);
    // Halfway between bit ends the difference crosses zero where the tone
    // changed; its sign there says whether the clock is early or late.
    const double byDifference = (difference - m_previousDifference) * Difference(middle);
    m_previousDifference = difference;
    double error = byDifference;
    if (m_upperScale > 0.0) {
        // Gardner's detector on each tone's amplitude (linear in the share
        // of the integration a tone fills): halfway between two bit ends it
        // lies midway between their amplitudes when the clock is right.
        // Amplitudes beyond their level (noise, a level still being
        // learnt) count as the level, which bounds the error as the
        // difference's is bounded.
        const auto amplitude = [](double scale, double energy) {
            return std::min(std::sqrt(scale * energy), 1.0);
        };
        const double upper = amplitude(m_upperScale, bit.UpperEnergy());
        const double lower = amplitude(m_lowerScale, bit.LowerEnergy());
        const double midUpper = amplitude(m_upperScale, middle.UpperEnergy());
        const double midLower = amplitude(m_lowerScale, middle.LowerEnergy());
        const double upperError =
            (upper - m_previousUpper) * (midUpper - (upper + m_previousUpper) / 2.0);
        const double lowerError =
            (lower - m_previousLower) * (midLower - (lower + m_previousLower) / 2.0);
        // Scaled as the tone difference's error for equal tones.
        const double byTone = 4.0 * (m_upperShare * upperError + (1.0 - m_upperShare) * lowerError);
        m_previousUpper = upper;
        m_previousLower = lower;
        // The difference is the better judge in noise, each tone on its
        // own once one is clearly weaker: from 1 dB apart to 6 dB apart the
        // one takes over from the other.
        const double ratio =
            std::min(m_upperShare, 1.0 - m_upperShare) / std::max(m_upperShare, 1.0 - m_upperShare);
        const double share = std::clamp((ratio - 0.25) / 0.55, 0.0, 1.0);
        error = share * byDifference + (1.0 - share) * byTone;
    }
    return error;
}

size_t CBitClock::MaxOutput(size_t n) const {
    return static_cast<size_t>(static_cast<double>(n) / (m_nominal * (1.0 - kMaxRateError))) + 2;
}

double CBitClock::Difference(const ToneSums& sums) {
    const double upper = sums.UpperEnergy();
    const double lower = sums.LowerEnergy();
    const double total = upper + lower;
    return total > 0.0 ? (upper - lower) / total : 0.0;
}

ToneSums CBitClock::At(double position) const {
    // Linear interpolation between the two outputs around position; the
    // sums change smoothly over a bit, so this costs nothing measurable.
    const double floor = std::floor(position);
    const auto i = static_cast<int64_t>(floor);
    const double f = position - floor;
    const ToneSums& a = m_history[i & m_mask];
    const ToneSums& b = m_history[(i + 1) & m_mask];
    ToneSums s;
    s.upperEarly = a.upperEarly + f * (b.upperEarly - a.upperEarly);
    s.upperLate = a.upperLate + f * (b.upperLate - a.upperLate);
    s.lowerEarly = a.lowerEarly + f * (b.lowerEarly - a.lowerEarly);
    s.lowerLate = a.lowerLate + f * (b.lowerLate - a.lowerLate);
    s.leakEarly = a.leakEarly + f * (b.leakEarly - a.leakEarly);
    s.leakLate = a.leakLate + f * (b.leakLate - a.leakLate);
    return s;
}

size_t CBitClock::Process(const ToneSums* in, size_t count, ToneSums* out) {
    if (!m_history || in == nullptr || out == nullptr) {
        return 0;
    }
    size_t produced = 0;
    for (size_t n = 0; n < count; ++n) {
        m_history[m_count & m_mask] = in[n];
        ++m_count;
        const double newest = static_cast<double>(m_count - 1);
        while (m_next <= newest) {
            // The bit end falls between the last two outputs.
            const double period = Period();
            const ToneSums bit = At(std::max(m_next, newest - 1.0));
            const ToneSums middle = At(std::max(m_next - period / 2.0, newest - m_mask));
            const double error = TimingError(bit, middle) * m_weight;
            out[produced++] = bit;

            m_rate = std::clamp(m_rate - kIntegral * error, -kMaxRateError, kMaxRateError);
            m_next += period * (1.0 - kProportional * error);
        }
    }
    return produced;
}

}  // namespace wavelore
