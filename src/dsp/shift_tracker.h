#pragma once

#include <array>
#include <cstdint>

#include "dsp/soft_ccir476.h"

namespace wavelore {

// The letters/figures shift of soft-decided SITOR-B characters. One lost
// shift turns every character up to the next into the wrong column (a line
// of "VESSELS" comes out as "=3''3)'"), so the shift is not taken from each
// character's best reading alone: a Viterbi search over the two shift
// states weighs every character's readings by how likely each is in that
// state (figures runs are short, and hold digits and a few signs), and
// decides a character once kLag more have arrived.
class CShiftTracker {
  public:
    // Characters held back before one is final.
    static constexpr int kLag = 6;

    struct Decision {
        uint8_t code = 0;
        // The shift the character is printed in.
        bool letters = true;
        // CombineCopies' reliability of the pair.
        double reliability = 0.0;
    };

    CShiftTracker();

    // A new emission: letters, nothing held back.
    void Reset();

    // One character: the summed fit of both copies to every word (a ln
    // likelihood up to a constant, see SoftCharacter) and its reliability.
    // Writes the character now final, if any, to out and returns 1, else 0.
    int Push(const std::array<double, kCcir476WordCount>& fit, double reliability, Decision* out);

    // Makes every character held back final; out has room for kLag.
    // Returns how many.
    int Flush(Decision* out);

    bool Letters() const { return m_metric[0] >= m_metric[1]; }

  private:
    struct Step {
        // For each state after the character: the state before it and the
        // word chosen.
        std::array<uint8_t, 2> previous{};
        std::array<uint8_t, 2> word{};
        double reliability = 0.0;
    };
    // Traces back from the better state to the oldest held character.
    Decision Oldest() const;

    std::array<double, 2> m_metric{};
    std::array<Step, kLag + 1> m_steps{};
    int m_first = 0;  // ring index of the oldest held character
    int m_held = 0;
};

}  // namespace wavelore
