#include "dsp/navtex_j_decoder.h"

#include <algorithm>
#include <bit>

#include "dsp/jis_table.h"

namespace wavelore {

namespace {
constexpr int32_t kSmoothLength = 100;
constexpr uint32_t kCodeMask = 0x3FF;
}  // namespace

CNavtexJDecoder::CNavtexJDecoder(uint32_t sampleRate, uint32_t baud)
    : CCharacterDecoder(sampleRate, baud, kSmoothLength) {}

void CNavtexJDecoder::ResetCharacters() {
    m_newer = 0;
    m_older = 0;
    m_bitCounter = 0;
    m_acquired = false;
    m_phase = false;
    m_history = {};
    m_firstPending = false;
    m_jis = 0;
}

bool CNavtexJDecoder::IsValid(uint32_t code) {
    const uint32_t check = ((code >> 9) & 1) | (((code >> 8) & 1) << 1) | (((code >> 7) & 1) << 2);
    return static_cast<uint32_t>(std::popcount(code & 0x7F)) + check == 7;
}

uint32_t CNavtexJDecoder::Encode(uint32_t byte) {
    const uint32_t data = byte & 0x7F;
    const uint32_t zeros = 7 - static_cast<uint32_t>(std::popcount(data));
    return data | ((zeros & 1) << 9) | (((zeros >> 1) & 1) << 8) | (((zeros >> 2) & 1) << 7);
}

void CNavtexJDecoder::HandleBit(int bit, std::u16string& out) {
    const uint32_t b = bit != 0 ? 1u : 0u;
    m_older = (m_older >> 1) | ((m_newer & 1) << 31);
    m_newer = (m_newer >> 1) | (b << 31);
    uint32_t dx = m_older & kCodeMask;
    uint32_t rx = (m_newer >> 18) & kCodeMask;

    const bool phasing = dx == kPhasingDx && rx == kPhasingRx;
    const bool exact = (dx == rx && IsValid(dx)) || phasing;
    if (phasing) {
        m_phase = true;
    }
    if (!m_acquired && exact) {
        m_acquired = true;
        m_bitCounter = 9;
        m_phase = true;
        m_firstPending = false;
    }

    m_bitCounter = (m_bitCounter + 1) % 10;
    if (m_bitCounter != 0) {
        return;
    }
    if (m_phase) {
        bool good = exact;
        // Repairing at every bit would count an error at nearly every bit of
        // a clean signal and accept misaligned bits; only the slot being read
        // is repaired.
        if (!good && !m_strict && m_acquired && dx != rx && !(IsValid(dx) && IsValid(rx))) {
            if (IsValid(dx)) {
                rx = dx;
            }
            if (IsValid(rx)) {
                dx = rx;
            }
            ++m_errorCount;
            good = dx == rx && IsValid(dx);
        }
        if (good) {
            std::shift_left(m_history.begin(), m_history.end(), 1);
            m_history.back() = static_cast<uint8_t>(dx & 0x7F);
            Pair(m_history.front(), out);
        } else {
            m_bitCounter = 9;
            m_acquired = false;
            m_phase = false;
            ++m_errorCount;
        }
    }
    m_phase = !m_phase;
}

void CNavtexJDecoder::Pair(uint32_t byte, std::u16string& out) {
    if (!m_firstPending) {
        m_jis = static_cast<uint16_t>(byte << 8);
        m_firstPending = true;
        return;
    }
    m_jis = static_cast<uint16_t>(m_jis | byte);
    m_firstPending = false;
    const uint16_t unicode = JisToUnicode(m_jis);
    if (unicode != 0) {
        out.push_back(static_cast<char16_t>(unicode));
        ++m_goodCount;
    } else {
        // The second byte may be the first of a pair: slide by one byte.
        m_jis = static_cast<uint16_t>(byte << 8);
        m_firstPending = true;
    }
}

}  // namespace wavelore
