#pragma once

#include <cstdint>
#include <string>

namespace wavelore {

// Turns CCIR 476 codes (the seven-bit code of ITU-R M.476 and M.625) into
// text: each code is printed in the letters or figures shift, the shift
// codes move the shift, and the codes without text (phasing, the shifts)
// print nothing. A carriage return is followed by a line feed, so the text
// never holds a bare one. SITOR-B, its weak-signal decoder and AMTOR print
// through it.
class CCcir476Printer {
  public:
    // Appends the text of a valid code (Ccir476IsValid) in the current
    // shift, then follows a shift code. Invalid codes print nothing.
    void Print(uint32_t code, std::u16string& out);

    bool Letters() const { return m_letters; }
    // A new emission or a realignment starts in letters.
    void Reset() { m_letters = true; }

    // The text of a valid code in the given shift, appended to out.
    static void Append(uint32_t code, bool letters, std::u16string& out);

  private:
    bool m_letters = true;
};

}  // namespace wavelore
