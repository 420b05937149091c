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

void CAmtorDecoder::ResetCharacters() {
    m_sync = 0;
    m_accumulator = 0;
    m_bitCounter = 0;
    m_printer.Reset();
}

void CAmtorDecoder::HandleBit(int bit, std::u16string& out) {
    const uint32_t b = bit != 0 ? 1u : 0u;
    m_sync = (m_sync << 1) | b;
    if ((m_sync & kRealignMask) == kRealignPattern) {
        m_bitCounter = 0;
        DecodeCode(kCcirPhasing2, out);
        m_printer.Reset();
        return;
    }
    m_accumulator = ((m_accumulator >> 1) | (b << 6)) & 0x7F;
    if (++m_bitCounter == 7) {
        m_bitCounter = 0;
        DecodeCode(m_accumulator, out);
    }
}

void CAmtorDecoder::DecodeCode(uint32_t code, std::u16string& out) {
    // Only the 35 codes with four 1 bits are characters.
    if (std::popcount(code) == 4) {
        m_printer.Print(code, out);
    }
}

}  // namespace wavelore
