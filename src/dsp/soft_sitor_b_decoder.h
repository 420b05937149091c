#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "dsp/shift_tracker.h"
#include "dsp/sitor_b_aligner.h"
#include "dsp/soft_ccir476.h"

namespace wavelore {

// SITOR-B decoding from soft bits: follows the character alignment, chooses
// each character from the words that best fit its DX and RX copies
// together, and prints it in its shift, with the same text conventions as
// the hard decoder (CR LF, letters and figures, nothing for phasing).
// Characters are decided a few pairs behind the newest bit, so that the
// alignment is judged with what follows them too, and printed once the
// shift tracker has seen the characters after them.
class CSoftSitorBDecoder {
  public:
    // Below this reliability (ln odds of the chosen word over the runner-up)
    // a character counts as an error.
    static constexpr double kReliable = 1.0;
    // Bits between the newest bit and the RX slot of the character decided.
    static constexpr int kLookahead = 70;

    CSoftSitorBDecoder();
    CSoftSitorBDecoder(const CSoftSitorBDecoder&) = delete;
    CSoftSitorBDecoder& operator=(const CSoftSitorBDecoder&) = delete;

    // With strict FEC a character below kReliable is not printed.
    void SetStrictFec(bool strict) { m_strict = strict; }

    // llr: n bits in the order received, each the log-likelihood ratio
    // (nats) of a 1. Text decided meanwhile is appended to text.
    void Process(const double* llr, size_t n, std::u16string& text);
    // End of input: decides the characters still held back for the
    // lookahead, as far as the bits received allow.
    void Flush(std::u16string& text);

    // Nothing received, nothing held back, no counts; Strict FEC stays.
    void Reset();

    int32_t GoodCount() const { return m_goodCount; }
    int32_t ErrorCount() const { return m_errorCount; }
    void ResetCounts() {
        m_goodCount = 0;
        m_errorCount = 0;
    }

    const CSitorBAligner& Aligner() const { return m_aligner; }
    bool Letters() const { return m_shift.Letters(); }

  private:
    // Slot fits and pair evidence kept per bit: the oldest needed is 35
    // bits before an RX slot that is up to kLookahead + 13 bits old.
    static constexpr int kRing = 128;

    // The evidence the aligner is given for a pair: PairEvidence, except
    // for idle between emissions.
    double AlignmentEvidence(const SlotFit& dx, const SlotFit& rx, double evidence) const;
    // Whether the pair whose RX slot ends at the newest bit t completes the
    // end-of-emission signal.
    bool EndOfEmission(int64_t t);
    // Where decoding starts when a lock is taken at bit t.
    int64_t FirstPairOfLock(int64_t t) const;
    // Whether the emission still goes on at the pair whose RX slot ends at
    // bit r, judged by the pairs from it to the newest.
    bool StillThere(int64_t r) const;
    // Decides the pairs whose RX slot ends at or before bit last.
    void DecodeUpTo(int64_t last, std::u16string& text);
    void Decide(const SoftCharacter& c, std::u16string& text);
    void Print(const CShiftTracker::Decision& decision, std::u16string& text) const;

    void FlushShift(std::u16string& text);

    CSitorBAligner m_aligner;
    double m_llr[7] = {};
    std::unique_ptr<SlotFit[]> m_fits;
    // PairEvidence of the slot ending at each bit with the one 35 bits
    // before it.
    std::unique_ptr<double[]> m_evidence;
    int64_t m_bits = 0;
    // The earliest bit an RX slot still to be decided may end at.
    int64_t m_nextDecode = 0;
    bool m_wasLocked = false;
    // Before the first emission and after each one's end, until the next
    // is taken up.
    bool m_betweenEmissions = true;
    // End-of-emission signals in a row, and where the first one's RX slot
    // ended.
    int m_endSignals = 0;
    int64_t m_endStart = 0;
    CShiftTracker m_shift;
    bool m_strict = true;
    int32_t m_goodCount = 0;
    int32_t m_errorCount = 0;
};

}  // namespace wavelore
