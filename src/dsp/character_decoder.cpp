#include "dsp/character_decoder.h"

#include <algorithm>

namespace wavelore {

namespace {
// Values smoothed per pass; bounds the stack scratch.
constexpr int32_t kChunk = 256;
}  // namespace

CCharacterDecoder::CCharacterDecoder(uint32_t sampleRate, uint32_t baud, int32_t smoothLength)
    : m_baud(baud),
      // Integer samples per bit (110 for the true 110.25 at 100 baud): the
      // edge corrections below keep the clock on the transmitter.
      m_samplesPerBit(baud > 0 ? static_cast<int32_t>(sampleRate / baud) : 1),
      m_smoother(smoothLength) {
    if (m_samplesPerBit < 1) {
        m_samplesPerBit = 1;
    }
}

void CCharacterDecoder::Reset() {
    m_smoother.Reset();
    m_level = false;
    m_bitPhase = 0;
    ResetCounts();
    ResetCharacters();
}

void CCharacterDecoder::Process(const double* in, size_t n, std::u16string& text) {
    const int32_t spb = m_samplesPerBit;
    const int32_t half = spb / 2;
    alignas(64) double smoothed[kChunk];
    for (size_t start = 0; start < n; start += kChunk) {
        const auto c = static_cast<int32_t>(std::min<size_t>(kChunk, n - start));
        m_smoother.Process(in + start, static_cast<size_t>(c), smoothed);
        for (int32_t i = 0; i < c; ++i) {
            const bool level = smoothed[i] > 0.0;
            if (level != m_level) {
                m_level = level;
                const int32_t r = m_bitPhase;
                const int32_t e = r < half ? -r : spb - r;
                // Move a fifth of the way to the edge; a near edge snaps
                // exactly.
                const int32_t d = e / 5;
                if (d == 0) {
                    m_bitPhase = 0;
                } else {
                    m_bitPhase += d;
                    if (m_bitPhase >= spb) {
                        m_bitPhase -= spb;
                    }
                }
            }
            if (m_bitPhase == half) {
                HandleBit(m_level ? 1 : 0, text);
            }
            if (++m_bitPhase == spb) {
                m_bitPhase = 0;
            }
        }
    }
}

}  // namespace wavelore
