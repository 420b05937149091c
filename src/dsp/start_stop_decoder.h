#pragma once

#include <cstdint>
#include <string>

#include "dsp/character_decoder.h"

namespace wavelore {

// Decodes asynchronous start-stop (RTTY) characters in the ITA2 code.
//
// The caller runs the demodulator and this decoder at twice the keying
// rate, so every transmitted bit arrives as two half-bit samples, the first
// about a quarter and the second three quarters into the bit (1 = mark =
// the upper tone unless inverted; the line rests on mark). Framing, counted
// in half-bit samples from the first space sample after mark (sample 0):
//   0, 1    start bit; sample 1 must be space too, or the start was a
//           noise spike and the hunt resumes;
//   2..11   the five data bits, first (least significant) bit first; each is
//           read from its first half-bit sample (2, 4, 6, 8, 10), which is
//           inside the right bit whether the start was seen on its first or
//           only on its second sample;
//   12      the stop bit, which must be mark; a space here is a framing
//           error and the character is dropped.
// After the stop sample the decoder hunts for the next start at once, so
// 1, 1.5 and 2 stop bits (14, 15 and 16 samples per character) all decode.
//
// Letters/figures shift state starts in letters and changes only on the
// shift codes (no unshift on space: weather and navigational broadcasts send
// explicit shifts and mix figures with spaces). Carriage return, null, bell
// and the figures entry of H give no text; line feed gives a line feed, so
// the text never holds a bare carriage return. The good and error counts
// are never changed.
class CStartStopDecoder : public CCharacterDecoder {
  public:
    // sampleRate: Hz (11025). baud: twice the keying rate, as the caller
    // doubles it (90 for 45.45-baud RTTY, 100 for 50 baud), 1..sampleRate.
    // The bit synchroniser smooths over one transmitted bit.
    CStartStopDecoder(uint32_t sampleRate, uint32_t baud);

    void HandleBit(int bit, std::u16string& out) override;

    bool Letters() const { return m_letters; }

    // The ITA2 translation: code with the first data bit as bit 4.
    static char16_t Letter(uint32_t code);
    static char16_t Figure(uint32_t code);

  protected:
    void ResetCharacters() override;

  private:
    void Emit(uint32_t code, std::u16string& out);

    uint32_t m_history = 0;  // newest sample at bit 0
    bool m_inCharacter = false;
    int32_t m_counter = 0;  // half-bit samples since the start edge
    uint32_t m_code = 0;    // newest data bit at bit 0, first at bit 4
    bool m_letters = true;
};

}  // namespace wavelore
