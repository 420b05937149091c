#include "synth/fsk_modulator.h"

#include <algorithm>
#include <cmath>
#include <complex>
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
// A Rayleigh-fading gain rises a few times above its mean amplitude now and
// then (|g|^2 exceeds 9 times its mean once in 8000 draws): head-room.
constexpr double kFadingPeak = 3.0;
constexpr int kMaxPaths = 4;

double Clamp(double v, double lo, double hi) {
    return std::isfinite(v) ? std::clamp(v, lo, hi) : lo;
}

double FromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

// One path's complex gain, Rayleigh-fading with a Gaussian Doppler
// spectrum: complex white noise through a Gaussian filter, taken at a low
// rate and interpolated. Mean power 1 / paths.
class CPathGain {
  public:
    CPathGain(double spreadHz, int paths, uint32_t seed, double seconds)
        : m_rate(std::max(50.0, 20.0 * spreadHz)) {
        CNoiseSource noise(seed);
        const auto count = static_cast<std::size_t>(std::ceil(seconds * m_rate)) + 2;
        const double scale = 1.0 / std::sqrt(2.0 * paths);
        if (!(spreadHz > 0.0)) {
            // No Doppler spread: one random gain for the whole recording.
            const std::complex<double> g(scale * noise.Next(), scale * noise.Next());
            m_gains.assign(count, g);
            return;
        }
        // |H(f)|^2 = exp(-f^2 / (2 s^2)) with s = spread / 2 is the impulse
        // response exp(-4 pi^2 s^2 t^2), cut where it falls below 1e-4.
        const double sigma = spreadHz / 2.0;
        const double a = 4.0 * std::numbers::pi * std::numbers::pi * sigma * sigma;
        const auto half = static_cast<int>(std::ceil(std::sqrt(std::log(1e4) / a) * m_rate));
        std::vector<double> taps(static_cast<std::size_t>(2 * half + 1));
        double energy = 0.0;
        for (int i = -half; i <= half; ++i) {
            const double t = i / m_rate;
            const double h = std::exp(-a * t * t);
            taps[static_cast<std::size_t>(i + half)] = h;
            energy += h * h;
        }
        for (double& h : taps) {
            h *= scale / std::sqrt(energy);
        }
        std::vector<std::complex<double>> white(count + taps.size());
        for (auto& w : white) {
            w = std::complex<double>(noise.Next(), noise.Next());
        }
        m_gains.resize(count);
        for (std::size_t n = 0; n < count; ++n) {
            std::complex<double> acc;
            for (std::size_t i = 0; i < taps.size(); ++i) {
                acc += taps[i] * white[n + i];
            }
            m_gains[n] = acc;
        }
    }

    std::complex<double> At(double seconds) const {
        const double x = std::clamp(seconds * m_rate, 0.0, static_cast<double>(m_gains.size() - 2));
        const auto i = static_cast<std::size_t>(x);
        const double f = x - static_cast<double>(i);
        return m_gains[i] + f * (m_gains[i + 1] - m_gains[i]);
    }

  private:
    double m_rate;
    std::vector<std::complex<double>> m_gains;
};

}  // namespace

CFskModulator::CFskModulator(const SynthOptions& options) : m_options(options) {
    m_options.baud = Clamp(m_options.baud, kMinBaud, kMaxBaud);
    m_options.silenceSeconds = Clamp(m_options.silenceSeconds, 0.0, 3600.0);
    m_options.leadInSeconds = Clamp(m_options.leadInSeconds, 0.0, 3600.0);
    m_options.tailSeconds = Clamp(m_options.tailSeconds, 0.0, 3600.0);
    m_options.fadeDepthDb = Clamp(m_options.fadeDepthDb, 0.0, 120.0);
    m_options.fadePeriodSeconds = Clamp(m_options.fadePeriodSeconds, 0.01, 1e6);
    m_options.fadingPaths = std::clamp(m_options.fadingPaths, 0, kMaxPaths);
    m_options.pathDelayMs = Clamp(m_options.pathDelayMs, 0.0, 100.0);
    m_options.dopplerSpreadHz = Clamp(m_options.dopplerSpreadHz, 0.0, 100.0);
    m_options.toneImbalanceDb = Clamp(m_options.toneImbalanceDb, -120.0, 120.0);
    double carriers = 0.0;
    for (SynthOptions::Carrier& c : m_options.carriers) {
        c.offsetHz = Clamp(c.offsetHz, -kRate / 2.0, kRate / 2.0);
        c.levelDb = Clamp(c.levelDb, -120.0, 60.0);
        carriers += FromDb(c.levelDb);
    }

    // White noise of variance s^2 spreads over 0..rate/2; the part inside
    // the reference bandwidth has s^2 * bandwidth / (rate / 2). A tone of
    // peak A has power A^2 / 2.
    double sigmaPerAmplitude = 0.0;
    if (m_options.snrDb && std::isfinite(*m_options.snrDb)) {
        const double snr = std::pow(10.0, Clamp(*m_options.snrDb, -60.0, 200.0) / 10.0);
        sigmaPerAmplitude = std::sqrt((kRate / 2.0) / kNoiseBandwidth / (2.0 * snr));
    }
    const double peak = m_options.fadingPaths > 0 ? kFadingPeak : 1.0;
    m_amplitude =
        m_options.amplitude > 0.0
            ? std::min(m_options.amplitude, 32767.0)
            : std::min(kCleanPeak, kFullScale / (peak + 4.5 * sigmaPerAmplitude + carriers));
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

    // The weaker tone's share of the level; the stronger is at full level.
    const double upperLevel = FromDb(-std::max(m_options.toneImbalanceDb, 0.0));
    const double lowerLevel = FromDb(std::min(m_options.toneImbalanceDb, 0.0));
    auto level = [&](std::size_t element) {
        return (keying.elements[element] != 0) != m_options.invert ? upperLevel : lowerLevel;
    };

    // With multipath the keyed signal is kept as a complex (analytic) one
    // so each path can be delayed and turned by its own gain.
    const bool multipath = m_options.fadingPaths > 0;
    std::vector<std::complex<double>> analytic(multipath ? keyed : 0);

    const std::size_t last = keying.elements.size();
    double phase = 0.0;
    for (std::size_t n = 0; n < keyed; ++n) {
        const double t0 = static_cast<double>(n) / kRate;
        const double t1 = static_cast<double>(n + 1) / kRate;
        const std::size_t e0 = std::min(last - 1, static_cast<std::size_t>(t0 * elementRate));
        const std::size_t e1 = std::min(last - 1, static_cast<std::size_t>(t1 * elementRate));
        double f = tone(e0, t0);
        double amplitude = level(e0);
        if (e1 != e0) {
            // An element boundary inside this sample: keep the phase exact by
            // weighting the two tones by the time each holds.
            const double boundary = static_cast<double>(e1) / elementRate;
            const double before = (boundary - t0) * kRate;
            f = f * before + tone(e1, t0) * (1.0 - before);
            if (upperLevel != lowerLevel) {
                amplitude = amplitude * before + level(e1) * (1.0 - before);
            }
        }
        double gain = amplitude;
        if (m_options.fadeDepthDb > 0.0) {
            const double swing =
                0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * t0 / m_options.fadePeriodSeconds));
            gain *= std::pow(10.0, -m_options.fadeDepthDb * swing / 20.0);
        }
        if (multipath) {
            analytic[n] = m_amplitude * gain * std::polar(1.0, phase);
        } else {
            signal[lead + n] = m_amplitude * gain * std::sin(phase);
        }
        phase = std::fmod(phase + 2.0 * std::numbers::pi * f / kRate, 2.0 * std::numbers::pi);
    }
    if (multipath) {
        AddPaths(analytic, signal, lead);
    }
    AddCarriers(signal, silence);

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

namespace wavelore::synth {

void CFskModulator::AddPaths(const std::vector<std::complex<double>>& analytic,
                             std::vector<double>& signal, std::size_t lead) const {
    const double seconds = static_cast<double>(signal.size() - lead) / kRate;
    for (int k = 0; k < m_options.fadingPaths; ++k) {
        // Seeds of their own, so the noise is the same with or without paths.
        const CPathGain gain(m_options.dopplerSpreadHz, m_options.fadingPaths,
                             m_options.seed * 2654435761u + 12345u * static_cast<uint32_t>(k + 1),
                             seconds);
        const double delay = k * m_options.pathDelayMs * kRate / 1000.0;
        for (std::size_t n = 0; lead + n < signal.size(); ++n) {
            // The keyed signal delay samples ago, interpolated.
            const double x = static_cast<double>(n) - delay;
            if (x < 0.0 || x > static_cast<double>(analytic.size() - 1)) {
                continue;
            }
            const auto i = static_cast<std::size_t>(x);
            const double f = x - static_cast<double>(i);
            const std::complex<double> z = i + 1 < analytic.size()
                                               ? analytic[i] + f * (analytic[i + 1] - analytic[i])
                                               : analytic[i];
            signal[lead + n] += (gain.At(static_cast<double>(n) / kRate) * z).imag();
        }
    }
}

void CFskModulator::AddCarriers(std::vector<double>& signal, std::size_t from) const {
    for (const SynthOptions::Carrier& c : m_options.carriers) {
        const double hz = m_options.centreHz + m_options.toneOffsetHz + c.offsetHz;
        const double step = 2.0 * std::numbers::pi * hz / kRate;
        const double amplitude = m_amplitude * FromDb(c.levelDb);
        for (std::size_t n = from; n < signal.size(); ++n) {
            signal[n] += amplitude * std::sin(step * static_cast<double>(n - from));
        }
    }
}

}  // namespace wavelore::synth
