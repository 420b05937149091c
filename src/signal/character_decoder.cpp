#include "signal/character_decoder.h"

namespace wavelore {

namespace {
constexpr int32_t kPhaseFold = 1 << 30;
}  // namespace

CCharacterDecoder::CCharacterDecoder(uint32_t sampleRate, uint32_t baud, int32_t smoothLength)
    : m_sampleRate(sampleRate),
      m_baud(baud),
      // Integer samples per bit (110 for the true 110.25 at 100 baud): the
      // edge corrections below keep the clock on the transmitter.
      m_samplesPerBit(baud > 0 ? static_cast<int32_t>(sampleRate / baud) : 1),
      m_smoother(smoothLength) {
    if (m_samplesPerBit < 1) {
        m_samplesPerBit = 1;
    }
}

std::u16string CCharacterDecoder::Decode(const SampleBlock& block) {
    std::u16string text;
    const double* values = block.Data();
    const int32_t count = block.Count();
    const int32_t half = m_samplesPerBit / 2;
    for (int32_t i = 0; i < count; ++i) {
        const double s = m_smoother.Filter(values[i]);
        const bool level = s > 0.0;
        if (level != m_level) {
            m_level = level;
            const int32_t r = m_bitPhase % m_samplesPerBit;
            const int32_t e = r < half ? -r : m_samplesPerBit - r;
            // Move a fifth of the way to the edge; a near edge snaps exactly.
            const int32_t d = e / 5;
            if (d == 0) {
                m_bitPhase = 0;
            } else {
                m_bitPhase += d;
            }
        }
        if (m_bitPhase % m_samplesPerBit == half) {
            HandleBit(m_level ? 1 : 0, text);
        }
        ++m_bitPhase;
        // Only the phase modulo the bit length matters; fold it back long
        // before the counter could overflow (after some 54 hours of audio).
        if (m_bitPhase >= kPhaseFold) {
            m_bitPhase -= kPhaseFold / m_samplesPerBit * m_samplesPerBit;
        }
    }
    return text;
}

}  // namespace wavelore
