#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dsp/character_decoder.h"

namespace wavelore {

// Decodes the Japanese-language NAVTEX service: a ten-bit error-detecting
// code (seven data bits, then three check bits holding the number of 0 data
// bits, the last sent bit least significant), every character sent twice
// 50 bits apart as in SITOR-B. Accepted seven-bit bytes are paired into
// JIS X 0208 codes and shown as Unicode; a byte pair that forms no
// character slides the pairing by one byte.
//
// Good count: one per character produced. Error count: one per failed slot,
// and with strict FEC off one per repaired slot, even when the repair
// succeeds. Repair applies only to the copies of a slot that is being read
// while acquired; (re)acquisition always needs two identical valid copies
// (or the phasing pair), so that a repair can never invent an alignment.
class CNavtexJDecoder : public CCharacterDecoder {
  public:
    // sampleRate: Hz (11025). baud: bits per second, 1..sampleRate (100).
    // The bit synchroniser smooths over 100 samples.
    CNavtexJDecoder(uint32_t sampleRate, uint32_t baud);

    void SetStrictFec(bool strict) override { m_strict = strict; }
    void HandleBit(int bit, std::u16string& out) override;

    // Seven data bits plus the count of 0 data bits in the check bits.
    static bool IsValid(uint32_t code);
    // The valid ten-bit code that carries the seven-bit byte.
    static uint32_t Encode(uint32_t byte);

    static constexpr uint32_t kPhasingDx = 0x099;
    static constexpr uint32_t kPhasingRx = 0x184;

    bool Acquired() const { return m_acquired; }
    bool Phase() const { return m_phase; }

  protected:
    void ResetCharacters() override;

  private:
    void Pair(uint32_t byte, std::u16string& out);

    uint32_t m_newer = 0;  // X: the newest bit enters at bit 31
    uint32_t m_older = 0;  // Y: takes bit 0 of X at bit 31 on every shift
    uint32_t m_bitCounter = 0;
    bool m_acquired = false;
    bool m_phase = false;
    // The last six accepted bytes, oldest first: text appears five accepted
    // characters after the one that carried it.
    std::array<uint8_t, 6> m_history{};
    bool m_firstPending = false;
    uint16_t m_jis = 0;
    bool m_strict = true;
};

}  // namespace wavelore
