#include "dsp/amtor_decoder.h"

#include <bit>

#include "dsp/ccir476_table.h"

namespace wavelore {

namespace {
// The last fourteen bits, in order of reception, 11110000110011.
constexpr uint32_t kRealignMask = 0x3FFF;
constexpr uint32_t kRealignPattern = 0x3C33;
}  // namespace

CAmtorDecoder::CAmtorDecoder(uint32_t sampleRate, uint32_t baud)
    : CCharacterDecoder(
          sampleRate, baud,
          baud > 0 && baud <= sampleRate ? static_cast<int32_t>(sampleRate / baud) : 1) {}

void CAmtorDecoder::HandleBit(int bit, std::u16string& out) {
    const uint32_t b = bit != 0 ? 1u : 0u;
    m_sync = (m_sync << 1) | b;
    if ((m_sync & kRealignMask) == kRealignPattern) {
        m_bitCounter = 0;
        DecodeCode(kCcirPhasing2, out);
        m_letters = true;
        return;
    }
    m_accumulator = ((m_accumulator >> 1) | (b << 6)) & 0x7F;
    if (++m_bitCounter == 7) {
        m_bitCounter = 0;
        DecodeCode(m_accumulator, out);
    }
}

void CAmtorDecoder::DecodeCode(uint32_t code, std::u16string& out) {
    if (std::popcount(code) != 4 || !Ccir476IsValid(code)) {
        return;
    }
    const char c = m_letters ? kCcir476Letters[code] : kCcir476Figures[code];
    if (code == kCcirFigures) {
        m_letters = false;
    } else if (code == kCcirLetters) {
        m_letters = true;
    }
    if (c == '%') {
        return;
    }
    out.push_back(static_cast<char16_t>(c));
    if (c == '\r') {
        out.push_back(u'\n');
    }
}

}  // namespace wavelore
