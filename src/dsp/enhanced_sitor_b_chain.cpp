#include "dsp/enhanced_sitor_b_chain.h"

#include <algorithm>
#include <cmath>

#include "common/nothrow.h"

namespace wavelore {

namespace {

// The AFC and the bit clock follow the signal only where it stands out of
// the noise: the signal-to-noise estimate is about 2 for noise alone and 4
// or more for a signal that still decodes.
double PresenceWeight(double snr) {
    return std::clamp((snr - 2.5) / 1.5, 0.0, 1.0);
}

}  // namespace

CEnhancedSitorBChain::CEnhancedSitorBChain(int32_t sampleRate, int32_t centre, int32_t halfShift,
                                           int32_t baud)
    : m_detector(sampleRate, centre, halfShift, baud),
      m_clock(m_detector.OutputRate() / std::max(baud, 1)),
      m_afc(m_detector.HalfWindow() / m_detector.OutputRate(), kAfcRangeHz) {
    const size_t tones = m_detector.MaxOutput(kChunk);
    m_tones = NewArray<ToneSums>(tones);
    m_bits = NewArray<ToneSums>(m_clock.MaxOutput(tones));
    m_llr = NewArray<double>(m_clock.MaxOutput(tones));
}

bool CEnhancedSitorBChain::Ready() const {
    return m_tones && m_bits && m_llr;
}

void CEnhancedSitorBChain::SetTones(int32_t centre, int32_t halfShift) {
    const double followed = TrackedCentre();
    m_detector.SetTones(centre, halfShift);
    const double carried = followed - centre;
    m_afc.SetOffset(std::abs(carried) <= kAfcRangeHz ? carried : 0.0);
    m_detector.SetOffset(m_afc.Offset());
}

bool CEnhancedSitorBChain::SetInvert(bool invert) {
    m_invert = invert;
    return m_likelihood.SetInvert(invert);
}

void CEnhancedSitorBChain::Reset() {
    m_detector.Reset();
    m_clock.Reset();
    m_likelihood.Reset();
    m_afc.Reset();
    m_decoder.Reset();
    m_lastDifference = 0.0;
}

size_t CEnhancedSitorBChain::Process(const double* in, size_t n, double* signal,
                                     std::u16string& text) {
    if (!Ready()) {
        return 0;
    }
    double chunk[kChunk];
    for (size_t start = 0; start < n; start += kChunk) {
        const size_t c = std::min(kChunk, n - start);
        // A value that is not a number would stay in every running sum and
        // level for good: it counts as silence. Copied before any signal is
        // written, so signal may be in.
        for (size_t i = 0; i < c; ++i) {
            const double x = in[start + i];
            chunk[i] = std::isfinite(x) ? x : 0.0;
        }
        ProcessChunk(chunk, c, signal + start, text);
    }
    return n;
}

void CEnhancedSitorBChain::ProcessChunk(const double* in, size_t count, double* signal,
                                        std::u16string& text) {
    const size_t tones = m_detector.Process(in, count, m_tones.get());
    // The display shows the tone difference held over the inputs that made it.
    const double sign = m_invert ? -kSignalScale : kSignalScale;
    if (tones > 0) {
        size_t shown = tones;  // none yet
        for (size_t i = 0; i < count; ++i) {
            const size_t j = std::min(tones - 1, i * tones / count);
            if (j != shown) {
                m_lastDifference = CBitClock::Difference(m_tones[j]);
                shown = j;
            }
            signal[i] = sign * m_lastDifference;
        }
    } else {
        std::fill(signal, signal + count, sign * m_lastDifference);
    }

    const size_t bits = m_clock.Process(m_tones.get(), tones, m_bits.get());
    m_likelihood.Process(m_bits.get(), bits, m_llr.get());
    const double weight = PresenceWeight(m_likelihood.SignalToNoise());
    m_clock.SetLoopWeight(weight);
    m_clock.SetToneLevels(m_likelihood.ToneLevel(true), m_likelihood.ToneLevel(false));
    m_detector.SetOffset(m_afc.Process(m_bits.get(), bits, weight));
    m_decoder.Process(m_llr.get(), bits, text);
}

}  // namespace wavelore
