#include "synth/fsk_modulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/modes.h"
#include "synth/noise_source.h"

namespace wavelore::synth {

namespace {

constexpr double kRate = kSampleRate;
// The bandwidth the signal-to-noise ratio refers to.
constexpr double kNoiseBandwidth = 2500.0;
// Head-room: the clean signal peaks here, and signal plus 4.5 standard
// deviations of noise stay below full scale.
constexpr double kCleanPeak = 16000.0;
constexpr double kFullScale = 29000.0;
constexpr double kMinBaud = 1.0;
constexpr double kMaxBaud = 1000.0;

double Clamp(double v, double lo, double hi) {
    return std::isfinite(v) ? std::clamp(v, lo, hi) : lo;
}

}  // namespace

CFskModulator::CFskModulator(const SynthOptions& options) : m_options(options) {
    m_options.baud = Clamp(m_options.baud, kMinBaud, kMaxBaud);
    m_options.silenceSeconds = Clamp(m_options.silenceSeconds, 0.0, 3600.0);
    m_options.leadInSeconds = Clamp(m_options.leadInSeconds, 0.0, 3600.0);
    m_options.tailSeconds = Clamp(m_options.tailSeconds, 0.0, 3600.0);
    m_options.fadeDepthDb = Clamp(m_options.fadeDepthDb, 0.0, 120.0);
    m_options.fadePeriodSeconds = Clamp(m_options.fadePeriodSeconds, 0.01, 1e6);

    // White noise of variance s^2 spreads over 0..rate/2; the part inside
    // the reference bandwidth has s^2 * bandwidth / (rate / 2). A tone of
    // peak A has power A^2 / 2.
    double sigmaPerAmplitude = 0.0;
    if (m_options.snrDb && std::isfinite(*m_options.snrDb)) {
        const double snr = std::pow(10.0, Clamp(*m_options.snrDb, -60.0, 200.0) / 10.0);
        sigmaPerAmplitude = std::sqrt((kRate / 2.0) / kNoiseBandwidth / (2.0 * snr));
    }
    m_amplitude = m_options.amplitude > 0.0
                      ? std::min(m_options.amplitude, 32767.0)
                      : std::min(kCleanPeak, kFullScale / (1.0 + 4.5 * sigmaPerAmplitude));
    m_noiseSigma = sigmaPerAmplitude * m_amplitude;
}

std::vector<int16_t> CFskModulator::Render(const Keying& keying) const {
    const double elementRate = m_options.baud * std::max(1, keying.elementsPerBit);
    const auto silence = static_cast<std::size_t>(std::lround(m_options.silenceSeconds * kRate));
    const auto lead =
        silence + static_cast<std::size_t>(std::lround(m_options.leadInSeconds * kRate));
    const auto keyed = static_cast<std::size_t>(
        std::ceil(static_cast<double>(keying.elements.size()) * kRate / elementRate));
    const auto tail = static_cast<std::size_t>(std::lround(m_options.tailSeconds * kRate));
    std::vector<double> signal(lead + keyed + tail, 0.0);

    const double nyquist = kRate / 2.0 - 1.0;
    const double half = m_options.shiftHz / 2.0;
    // The tone of one element at time t (seconds from the first bit).
    auto tone = [&](std::size_t element, double t) {
        const bool upper = (keying.elements[element] != 0) != m_options.invert;
        const double f = m_options.centreHz + m_options.toneOffsetHz +
                         m_options.driftHzPerMinute * t / 60.0 + (upper ? half : -half);
        return Clamp(f, 1.0, nyquist);
    };

    const std::size_t last = keying.elements.size();
    double phase = 0.0;
    for (std::size_t n = 0; n < keyed; ++n) {
        const double t0 = static_cast<double>(n) / kRate;
        const double t1 = static_cast<double>(n + 1) / kRate;
        const std::size_t e0 = std::min(last - 1, static_cast<std::size_t>(t0 * elementRate));
        const std::size_t e1 = std::min(last - 1, static_cast<std::size_t>(t1 * elementRate));
        double f = tone(e0, t0);
        if (e1 != e0) {
            // An element boundary inside this sample: keep the phase exact by
            // weighting the two tones by the time each holds.
            const double boundary = static_cast<double>(e1) / elementRate;
            const double before = (boundary - t0) * kRate;
            f = f * before + tone(e1, t0) * (1.0 - before);
        }
        double gain = 1.0;
        if (m_options.fadeDepthDb > 0.0) {
            const double swing =
                0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * t0 / m_options.fadePeriodSeconds));
            gain = std::pow(10.0, -m_options.fadeDepthDb * swing / 20.0);
        }
        signal[lead + n] = m_amplitude * gain * std::sin(phase);
        phase = std::fmod(phase + 2.0 * std::numbers::pi * f / kRate, 2.0 * std::numbers::pi);
    }

    std::vector<int16_t> samples(signal.size());
    CNoiseSource noise(m_options.seed);
    for (std::size_t n = 0; n < signal.size(); ++n) {
        double v = signal[n];
        if (m_noiseSigma > 0.0 && n >= silence) {
            v += m_noiseSigma * noise.Next();
        }
        samples[n] = static_cast<int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
    }
    return samples;
}

}  // namespace wavelore::synth
