#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wavelore::synth {

// The service signals of the CCIR 476 code a transmitter needs besides the
// characters (bit 0 is the first bit sent; 1 = upper tone).
constexpr uint8_t kCcirAlpha = 0x0F;       // phasing signal 2, RX position
constexpr uint8_t kCcirRepetition = 0x66;  // phasing signal 1, DX position
constexpr uint8_t kCcirLineFeed = 0x6C;

// Turns text into CCIR 476 seven-bit codes, inserting letters and figures
// shifts where the text needs them. The shift state carries over between
// calls, as on a real transmitter.
class CCcir476Encoder {
  public:
    // Appends the codes of text. Lower-case ASCII letters are sent as
    // capitals; "\r\n", a lone "\n" and a lone "\r" all become CR LF, as
    // stations send line ends. Returns false, appending nothing, when a
    // character has no code; badIndex (if given) receives its position.
    bool Encode(std::u16string_view text, std::vector<uint8_t>& codes,
                std::size_t* badIndex = nullptr);

    // Appends a letters shift whatever the state: a message should start
    // with one, since a receiver may be left in figures by noise.
    void ForceLetters(std::vector<uint8_t>& codes);

    // Forgets the shift state, so the next letter or figure gets a shift.
    void Reset() { m_shift = Shift::Unknown; }

  private:
    enum class Shift { Unknown, Letters, Figures };
    Shift m_shift = Shift::Unknown;
};

// The text a receiver prints for a sequence of codes received correctly
// once each (the SITOR-B decoder): letters/figures shifts and the service
// signals print nothing, a carriage return prints CR LF. Starts in letters.
std::u16string Ccir476Text(const std::vector<uint8_t>& codes);

}  // namespace wavelore::synth
