#include "dsp/enhanced_sitor_b_chain.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace wavelore {

namespace {

// The AFC and the bit clock follow the signal only where it stands out of
// the noise: the signal-to-noise estimate is about 2 for noise alone and 4
// or more for a signal that still decodes.
double PresenceWeight(double snr) {
    return std::clamp((snr - 2.5) / 1.5, 0.0, 1.0);
}

template <typename T>
std::unique_ptr<T[]> NewArray(int32_t count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(std::max(count, 1))]());
}

}  // namespace

CEnhancedSitorBChain::CEnhancedSitorBChain(int32_t sampleRate, int32_t centre, int32_t halfShift,
                                           int32_t baud)
    : m_detector(sampleRate, centre, halfShift, baud),
      m_clock(m_detector.OutputRate() / std::max(baud, 1)),
      m_afc(m_detector.HalfWindow() / m_detector.OutputRate(), kAfcRangeHz) {
    const int32_t tones = m_detector.MaxOutput(kChunk);
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

SampleBlock CEnhancedSitorBChain::Process(const SampleBlock& samples, std::u16string& text) {
    SampleBlock signal(nullptr, samples.Count());
    if (signal.Empty() || !Ready()) {
        return SampleBlock();
    }
    double in[kChunk];
    for (int32_t start = 0; start < samples.Count(); start += kChunk) {
        const int32_t n = std::min(kChunk, samples.Count() - start);
        // A value that is not a number would stay in every running sum and
        // level for good: it counts as silence.
        for (int32_t i = 0; i < n; ++i) {
            const double x = samples[start + i];
            in[i] = std::isfinite(x) ? x : 0.0;
        }
        ProcessChunk(in, n, signal.Data() + start, text);
    }
    return signal;
}

void CEnhancedSitorBChain::ProcessChunk(const double* in, int32_t count, double* signal,
                                        std::u16string& text) {
    const int32_t tones = m_detector.Process(in, count, m_tones.get());
    // The display shows the tone difference held over the inputs that made it.
    const double sign = m_invert ? -kSignalScale : kSignalScale;
    if (tones > 0) {
        int32_t shown = -1;
        for (int32_t i = 0; i < count; ++i) {
            const int32_t j = std::min(tones - 1, static_cast<int32_t>(int64_t{i} * tones / count));
            if (j != shown) {
                m_lastDifference = CBitClock::Difference(m_tones[j]);
                shown = j;
            }
            signal[i] = sign * m_lastDifference;
        }
    } else {
        std::fill(signal, signal + count, sign * m_lastDifference);
    }

    const int32_t bits = m_clock.Process(m_tones.get(), tones, m_bits.get());
    m_likelihood.Process(m_bits.get(), bits, m_llr.get());
    const double weight = PresenceWeight(m_likelihood.SignalToNoise());
    m_clock.SetLoopWeight(weight);
    m_clock.SetToneLevels(m_likelihood.ToneLevel(true), m_likelihood.ToneLevel(false));
    m_detector.SetOffset(m_afc.Process(m_bits.get(), bits, weight));
    m_decoder.Process(m_llr.get(), bits, text);
}

}  // namespace wavelore
