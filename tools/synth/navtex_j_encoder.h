#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wavelore::synth {

// The ten-bit code of the Japanese service: seven data bits (bits 0..6)
// and three check bits holding the number of 0 data bits, bit 9 the least
// significant. Bit 0 is sent first.
uint16_t NavtexJCode(uint8_t data);

// Turns text into the seven-bit bytes of JIS X 0208 codes, two per
// character, first byte first. ASCII is sent in its fullwidth form (a space
// as the ideographic space) since JIS X 0208 has no ASCII; a line end
// becomes the byte pair CR LF.
class CNavtexJEncoder {
  public:
    // Appends the bytes of text and the text the receiver shows for them
    // (the characters as the JIS table gives them back; a line end shows
    // as a line feed). Returns false, appending nothing, when a character
    // has no JIS code; badIndex (if given) receives its position.
    static bool Encode(std::u16string_view text, std::vector<uint8_t>& bytes, std::u16string& shown,
                       std::size_t* badIndex = nullptr);

    // The JIS X 0208 code of a character, or 0.
    static uint16_t JisCode(char16_t c);
};

}  // namespace wavelore::synth
