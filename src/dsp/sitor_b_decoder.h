#pragma once

#include <cstdint>
#include <string>

#include "dsp/ccir476_printer.h"
#include "dsp/character_decoder.h"

namespace wavelore {

// SITOR-B, the forward error correction of ITU-R M.476 and M.625 (mode B)
// that NAVTEX (ITU-R M.540) uses: every CCIR 476 character is sent twice,
// the RX copy 35 bits after its DX copy. Each slot whose two copies agree
// (or, with strict FEC off, can be repaired) yields its character. The
// slots are found once, at the phasing signal or at the first pair of
// equal copies, whichever comes first, and again after two bad slots.
class CSitorBDecoder : public CCharacterDecoder {
  public:
    // sampleRate: Hz, 11025. baud: bits per second, 100 (1 .. sampleRate).
    CSitorBDecoder(uint32_t sampleRate, uint32_t baud);

    void SetStrictFec(bool strict) override { m_strict = strict; }
    void HandleBit(int bit, std::u16string& out) override;

    bool Acquired() const { return m_acquired; }
    bool Letters() const { return m_printer.Letters(); }

  protected:
    void ResetCharacters() override;

  private:
    // > 0 accepted, 0 nothing to judge, < 0 error.
    int EvaluateSlot(uint32_t rx, uint32_t dx, std::u16string& out);

    // The last 42 bits; the newest enters at bit 41.
    uint64_t m_window = 0;
    uint32_t m_bitCounter = 0;
    bool m_acquired = false;
    // Alternates DX and RX slots; a slot is decoded when it was false.
    bool m_phase = false;
    CCcir476Printer m_printer;
    int32_t m_consecutiveErrors = 0;
    bool m_strict = true;
};

}  // namespace wavelore
