#include "dsp/tone_detector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/nothrow.h"

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

// Solves upper = a + conj(c) b, lower = c a + b for what each tone put into
// its own sums (a, b), given c, the lower sum a unit upper tone gives.
// scale is 1 / (1 - |c|^2).
void Separate(std::complex<double>& upper, std::complex<double>& lower, std::complex<double> c,
              double scale) {
    // Written out: the library's complex product guards against infinities
    // at a cost this inner loop notices.
    const double cr = c.real();
    const double ci = c.imag();
    const double ur = upper.real();
    const double ui = upper.imag();
    const double lr = lower.real();
    const double li = lower.imag();
    upper = {(ur - (cr * lr + ci * li)) * scale, (ui - (cr * li - ci * lr)) * scale};
    lower = {(lr - (cr * ur - ci * ui)) * scale, (li - (cr * ui + ci * ur)) * scale};
}

}  // namespace

ToneSums ToneSums::Separated() const {
    ToneSums s = *this;
    // Both halves leak alike: one magnitude, turned by the mixers' phase.
    const double determinant = 1.0 - std::norm(leakEarly);
    // Tones so close that they cannot be told apart are left as they are.
    if (determinant < 0.5) {
        return s;
    }
    const double scale = 1.0 / determinant;
    Separate(s.upperEarly, s.lowerEarly, leakEarly, scale);
    Separate(s.upperLate, s.lowerLate, leakLate, scale);
    return s;
}

CToneDetector::CToneDetector(int32_t sampleRate, double centre, double halfShift, int32_t baud)
    : m_sampleRate(std::max(sampleRate, 1)),
      m_baud(std::max(baud, 1)),
      m_decimation(ChooseDecimation(m_sampleRate, halfShift, m_baud)),
      m_centre(centre),
      m_halfShift(halfShift),
      m_channel(OutputRate(), PassHz(), StopHz(), kChannelRejectionDb) {
    // One bit at the output rate, in two halves (11 + 11 at 100 baud).
    m_half = std::max(1, static_cast<int32_t>(std::lround(OutputRate() / m_baud / 2.0)));
    const size_t ring = size_t{2} * static_cast<size_t>(m_half);
    m_upperRing = NewArray<std::complex<double>>(ring);
    m_lowerRing = NewArray<std::complex<double>>(ring);
    m_crossRing = NewArray<std::complex<double>>(ring);
    DesignLowPass();
}

void CToneDetector::Reset() {
    m_offset = 0.0;
    m_mixer = {1.0, 0.0};
    m_lowPass.Reset();
    m_phase = 0;
    m_channel.Reset();
    m_upperMixer = {1.0, 0.0};
    m_lowerMixer = {1.0, 0.0};
    for (auto* ring : {m_upperRing.get(), m_lowerRing.get(), m_crossRing.get()}) {
        if (ring != nullptr) {
            std::fill(ring, ring + 2 * m_half, std::complex<double>());
        }
    }
    m_ringPos = 0;
    m_sums = ToneSums();
    m_sinceRecompute = 0;
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
    double taps[kTaps];
    WindowedSinc(
        0.5 / m_decimation, kTaps,
        [](double r) {
            return 0.42 + 0.5 * std::cos(std::numbers::pi * r) +
                   0.08 * std::cos(2.0 * std::numbers::pi * r);
        },
        taps);
    m_lowPassReady = m_lowPass.SetTaps(taps, kTaps);
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
    sums.leakEarly = crossEarly;
    sums.leakLate = crossLate;
    m_sums = sums;
    m_sinceRecompute = 0;
}

size_t CToneDetector::Process(const double* in, size_t count, ToneSums* out) {
    if (!m_upperRing || !m_lowerRing || !m_crossRing || !m_lowPassReady || in == nullptr ||
        out == nullptr) {
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

    size_t produced = 0;
    for (size_t n = 0; n < count; ++n) {
        const std::complex<double> mixed = in[n] * m_mixer;
        m_mixer *= mixStep;
        Renormalise(m_mixer);
        m_lowPass.Push(mixed);
        if (++m_phase < m_decimation) {
            continue;
        }
        m_phase = 0;

        const std::complex<double> base = m_channel.Step(m_lowPass.Output());
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
        m_sums.leakEarly += m_crossRing[middle] - m_crossRing[m_ringPos];
        m_sums.leakLate += cross - m_crossRing[middle];
        m_upperRing[m_ringPos] = upper;
        m_lowerRing[m_ringPos] = lower;
        m_crossRing[m_ringPos] = cross;
        if (++m_ringPos == ring) {
            m_ringPos = 0;
        }
        if (++m_sinceRecompute == kRecomputeInterval) {
            RecomputeSums();
        }
        ToneSums& sums = out[produced++];
        sums = m_sums;
        sums.leakEarly /= double(m_half);
        sums.leakLate /= double(m_half);
    }
    return produced;
}

}  // namespace wavelore
