#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace wavelore {

// Character alignment for soft SITOR-B decoding. A character slot can start
// at any of 7 bits and either of two alternating slots can be the DX one:
// 14 alignments, told apart by where an RX slot ends (bit index mod 14).
// Each gets a running score of the evidence that the slot ending there and
// the one 35 bits earlier are the RX and DX slots of the emission; the best
// is followed continuously, so a new emission after noise, a lost or gained
// bit, or a start in mid-message is caught again within a few characters.
class CSitorBAligner {
  public:
    static constexpr int kAlignments = 14;

    CSitorBAligner();

    // The pair evidence (ln likelihood ratio, see PairEvidence) of the slot
    // ending at bit index bit taken as RX with the one 35 bits earlier.
    // Updates the score of alignment bit mod 14 and the lock.
    void Update(int64_t bit, double evidence);

    // The emission has ended: unlocks and forgets every score, so the next
    // emission is judged on its own.
    void Release();
    // As constructed: released, alignment 0, no realignments counted.
    void Reset() {
        Release();
        m_current = 0;
        m_realignments = 0;
    }

    // True while one alignment's score shows an emission.
    bool Locked() const { return m_locked; }
    // The alignment followed (0..13): RX slots end at bits congruent to it
    // mod 14. Meaningful while locked.
    int Alignment() const { return m_current; }
    double Score(int alignment) const { return m_scores[static_cast<size_t>(alignment)]; }
    // Times the alignment changed while locked (slips followed).
    int32_t Realignments() const { return m_realignments; }

  private:
    int Best() const;

    std::array<double, kAlignments> m_scores{};
    int m_current = 0;
    bool m_locked = false;
    int32_t m_realignments = 0;
};

}  // namespace wavelore
