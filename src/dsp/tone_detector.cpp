#include "dsp/tone_detector.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace wavelore {

namespace {

// Room the low-pass leaves above the outer tone for the AFC's pull and the
// keying sidebands, Hz.
constexpr double kAfcRoomHz = 50.0;
// Running sums drift by rounding; they are recomputed this often (outputs).
constexpr int32_t kRecomputeInterval = 1024;

// Keeps a rotating phasor on the unit circle without a square root: one
// Newton step towards |p| = 1 per call is plenty for a rotation this small.
void Renormalise(std::complex<double>& p) {
    p *= (3.0 - std::norm(p)) * 0.5;
}

// Solves upper = a + conj(c) b, lower = c a + b for what each tone put into
// its own sums (a, b), given c, the lower sum a unit upper tone gives.
void Separate(std::complex<double>& upper, std::complex<double>& lower, std::complex<double> c) {
    const double determinant = 1.0 - std::norm(c);
    // Tones so close that they cannot be told apart are left as they are.
    if (determinant < 0.5) {
        return;
    }
    const std::complex<double> a = (upper - std::conj(c) * lower) / determinant;
    lower = (lower - c * upper) / determinant;
    upper = a;
}

// The largest decimation that keeps the pass band (tones, AFC range and
// the first keying sidebands) clear of what folds back, and leaves at least
// eight outputs per bit; at most five (2205 Hz at 11025 Hz).
int32_t ChooseDecimation(int32_t rate, double halfShift, int32_t baud) {
    const double pass = std::abs(halfShift) + kAfcRoomHz + 1.5 * baud;
    // The filter's transition band is about 1500 Hz wide.
    const double byBand = rate / (2.0 * pass + 1500.0);
    const double byBaud = rate / (8.0 * baud);
    const double d = std::floor(std::min(byBand, byBaud));
    return static_cast<int32_t>(std::clamp(d, 1.0, 5.0));
}

}  // namespace

CToneDetector::CToneDetector(int32_t sampleRate, double centre, double halfShift, int32_t baud)
    : m_sampleRate(std::max(sampleRate, 1)),
      m_baud(std::max(baud, 1)),
      m_decimation(ChooseDecimation(m_sampleRate, halfShift, m_baud)),
      m_centre(centre),
      m_halfShift(halfShift),
      m_channel(OutputRate(), PassHz(), StopHz(), kChannelRejectionDb) {
    // One bit at the output rate, in two halves (11 + 11 at 100 baud).
    m_half = std::max(1, static_cast<int32_t>(std::lround(OutputRate() / m_baud / 2.0)));
    m_upperRing.reset(new (std::nothrow)
                          std::complex<double>[size_t{2} * static_cast<size_t>(m_half)]());
    m_lowerRing.reset(new (std::nothrow)
                          std::complex<double>[size_t{2} * static_cast<size_t>(m_half)]());
    m_crossRing.reset(new (std::nothrow)
                          std::complex<double>[size_t{2} * static_cast<size_t>(m_half)]());
    DesignLowPass();
}

void CToneDetector::SetTones(double centre, double halfShift) {
    m_centre = centre;
    if (halfShift != m_halfShift) {
        m_halfShift = halfShift;
        DesignLowPass();
        m_channel.Design(OutputRate(), PassHz(), StopHz(), kChannelRejectionDb);
    }
}

double CToneDetector::PassHz() const {
    // The outer tone and its first keying sidebands, with a few hertz for
    // the AFC's jitter: 240 Hz for NAVTEX.
    return std::abs(m_halfShift) + 1.5 * m_baud + 5.0;
}

void CToneDetector::DesignLowPass() {
    // Windowed sinc (Blackman) cut at half the output rate: what folds back
    // lands at the far edge of the output band, away from the tones.
    const double cutoff = 0.5 / m_decimation;  // of the input rate
    const int32_t mid = kTaps / 2;
    double sum = 0.0;
    for (int32_t i = 0; i < kTaps; ++i) {
        const double k = i - mid;
        const double sinc =
            k == 0 ? 2.0 * cutoff
                   : std::sin(2.0 * std::numbers::pi * cutoff * k) / (std::numbers::pi * k);
        const double x = 2.0 * std::numbers::pi * i / (kTaps - 1);
        const double window = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);
        m_taps[i] = sinc * window;
        sum += m_taps[i];
    }
    for (double& tap : m_taps) {
        tap /= sum;
    }
}

void CToneDetector::RecomputeSums() {
    ToneSums sums;
    std::complex<double> crossEarly;
    std::complex<double> crossLate;
    for (int32_t i = 0; i < 2 * m_half; ++i) {
        // Oldest first from the ring position: the first half is the earlier.
        const int32_t j = (m_ringPos + i) % (2 * m_half);
        if (i < m_half) {
            sums.upperEarly += m_upperRing[j];
            sums.lowerEarly += m_lowerRing[j];
            crossEarly += m_crossRing[j];
        } else {
            sums.upperLate += m_upperRing[j];
            sums.lowerLate += m_lowerRing[j];
            crossLate += m_crossRing[j];
        }
    }
    m_sums = sums;
    m_crossEarly = crossEarly;
    m_crossLate = crossLate;
    m_sinceRecompute = 0;
}

ToneSums CToneDetector::Separated() const {
    ToneSums s = m_sums;
    Separate(s.upperEarly, s.lowerEarly, m_crossEarly / double(m_half));
    Separate(s.upperLate, s.lowerLate, m_crossLate / double(m_half));
    return s;
}

int32_t CToneDetector::Process(const double* in, int32_t count, ToneSums* out) {
    if (!m_upperRing || !m_lowerRing || !m_crossRing || in == nullptr || out == nullptr) {
        return 0;
    }
    const double rate = m_sampleRate;
    const double outputRate = OutputRate();
    const double mixAngle = -2.0 * std::numbers::pi * (m_centre + m_offset) / rate;
    const std::complex<double> mixStep(std::cos(mixAngle), std::sin(mixAngle));
    const double toneAngle = 2.0 * std::numbers::pi * m_halfShift / outputRate;
    // The upper tone sits at +halfShift after the first mixer: turn it down.
    const std::complex<double> upperStep(std::cos(toneAngle), -std::sin(toneAngle));
    const std::complex<double> lowerStep = std::conj(upperStep);
    const int32_t ring = 2 * m_half;

    int32_t produced = 0;
    for (int32_t n = 0; n < count; ++n) {
        const std::complex<double> mixed = in[n] * m_mixer;
        m_mixer *= mixStep;
        Renormalise(m_mixer);
        m_delayRe[m_delayPos] = m_delayRe[m_delayPos + kTaps] = mixed.real();
        m_delayIm[m_delayPos] = m_delayIm[m_delayPos + kTaps] = mixed.imag();
        if (++m_delayPos == kTaps) {
            m_delayPos = 0;
        }
        if (++m_phase < m_decimation) {
            continue;
        }
        m_phase = 0;

        // The newest kTaps values, oldest first, start at the write position.
        const double* re = m_delayRe + m_delayPos;
        const double* im = m_delayIm + m_delayPos;
        double accRe = 0.0;
        double accIm = 0.0;
        for (int32_t i = 0; i < kTaps; ++i) {
            accRe += m_taps[i] * re[i];
            accIm += m_taps[i] * im[i];
        }
        const std::complex<double> base = m_channel.Process({accRe, accIm});
        const std::complex<double> upper = base * m_upperMixer;
        const std::complex<double> lower = base * m_lowerMixer;
        const std::complex<double> cross = m_lowerMixer * std::conj(m_upperMixer);
        m_upperMixer *= upperStep;
        m_lowerMixer *= lowerStep;
        Renormalise(m_upperMixer);
        Renormalise(m_lowerMixer);

        // Slide both half windows by one: the oldest value leaves the early
        // half, the oldest of the late half moves into the early half.
        const int32_t middle = (m_ringPos + m_half) % ring;
        m_sums.upperEarly += m_upperRing[middle] - m_upperRing[m_ringPos];
        m_sums.lowerEarly += m_lowerRing[middle] - m_lowerRing[m_ringPos];
        m_sums.upperLate += upper - m_upperRing[middle];
        m_sums.lowerLate += lower - m_lowerRing[middle];
        m_crossEarly += m_crossRing[middle] - m_crossRing[m_ringPos];
        m_crossLate += cross - m_crossRing[middle];
        m_upperRing[m_ringPos] = upper;
        m_lowerRing[m_ringPos] = lower;
        m_crossRing[m_ringPos] = cross;
        if (++m_ringPos == ring) {
            m_ringPos = 0;
        }
        if (++m_sinceRecompute == kRecomputeInterval) {
            RecomputeSums();
        }
        out[produced++] = Separated();
    }
    return produced;
}

}  // namespace wavelore
