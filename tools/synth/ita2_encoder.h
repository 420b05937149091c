#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wavelore::synth {

// ITA2 codes are numbered with the first data bit as bit 4.
constexpr uint8_t kIta2CarriageReturn = 2;
constexpr uint8_t kIta2LineFeed = 8;
constexpr uint8_t kIta2Figures = 27;
constexpr uint8_t kIta2Letters = 31;

// Turns text into ITA2 five-bit codes with letters/figures shifts, and keys
// them as start-stop characters.
class CIta2Encoder {
  public:
    // Appends the codes of text (lower case sent as capitals, line ends as
    // CR LF) and the text a receiver prints for them: characters as sent,
    // a line end as a single line feed. Returns false, appending nothing,
    // when a character has no code; badIndex receives its position.
    bool Encode(std::u16string_view text, std::vector<uint8_t>& codes, std::u16string& shown,
                std::size_t* badIndex = nullptr);

    // Appends a letters shift whatever the state.
    void ForceLetters(std::vector<uint8_t>& codes);

  private:
    enum class Shift { Unknown, Letters, Figures };
    Shift m_shift = Shift::Unknown;
};

// Keys one character in half-bit elements: start bit (0) for 2 elements,
// the five data bits (bit 4 first) for 2 each, stop (1) for 3 (1.5 bits).
void AppendIta2Elements(uint8_t code, std::vector<uint8_t>& elements);

}  // namespace wavelore::synth
