#pragma once

#include <cstdint>
#include <string>

#include "dsp/ccir476_printer.h"
#include "dsp/character_decoder.h"

namespace wavelore {

// Reads the CCIR 476 seven-bit code (ITU-R M.476) character by character, without
// combining the two copies of a SITOR-B transmission: every character is
// printed once per copy, as it arrives. Characters are framed by counting
// seven bits from the last realignment pattern (the phasing code 0x0F
// followed by 0x66). The good and error counts are never changed.
class CAmtorDecoder : public CCharacterDecoder {
  public:
    // sampleRate: Hz (11025). baud: bits per second, 1..sampleRate (100).
    // The bit synchroniser smooths over one bit.
    CAmtorDecoder(uint32_t sampleRate, uint32_t baud);

    void HandleBit(int bit, std::u16string& out) override;

    bool Letters() const { return m_printer.Letters(); }

  protected:
    void ResetCharacters() override;

  private:
    void DecodeCode(uint32_t code, std::u16string& out);

    uint32_t m_sync = 0;
    // The newest bit enters at bit 6, so the first received ends at bit 0.
    uint32_t m_accumulator = 0;
    int32_t m_bitCounter = 0;
    CCcir476Printer m_printer;
};

}  // namespace wavelore
