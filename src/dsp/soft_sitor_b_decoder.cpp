#include "dsp/soft_sitor_b_decoder.h"

#include <algorithm>

#include "common/nothrow.h"
#include "dsp/ccir476_printer.h"
#include "dsp/ccir476_table.h"

namespace wavelore {

namespace {

// RX copies follow their DX copies by five 7-bit slots.
constexpr int kCopyDistance = 35;
// The first bit that ends an RX slot with a DX slot before it.
constexpr int64_t kFirstPair = kCopyDistance + 6;
constexpr int kAlignments = CSitorBAligner::kAlignments;
// The pairs before a lock are taken back only while each clearly belongs to
// the emission (pair evidence in nats; phasing gives about 7, traffic 5).
constexpr double kTakeBackEvidence = 2.0;
// A pair is decided only when a pair at or after it clearly belongs to the
// emission and the pairs from it to that one, as a mean of their evidence
// clipped to +-kClip, look like an emission too: so the noise after an
// emission's end prints nothing, although the lock outlasts the end by a
// few pairs, while a weak pair amid the traffic is decided.
constexpr double kClip = 8.0;
constexpr double kStillThere = 1.0;
// End-of-emission signals (alpha in a DX slot) that end the emission.
constexpr int kEndSignals = 2;

int64_t Mod(int64_t x, int64_t m) {
    return ((x % m) + m) % m;
}

// Alpha (0001111) and its six one-bit rotations, which are all valid words.
constexpr bool IsAlphaRotation(uint8_t code) {
    for (int k = 0; k < 7; ++k) {
        if (code == (((kCcirPhasing1 << k) | (kCcirPhasing1 >> (7 - k))) & 0x7F)) {
            return true;
        }
    }
    return false;
}

}  // namespace

double CSoftSitorBDecoder::AlignmentEvidence(const SlotFit& dx, const SlotFit& rx,
                                             double evidence) const {
    if (!m_betweenEmissions || m_aligner.Locked() || evidence <= 0.0) {
        return evidence;
    }
    // Between emissions a run of idle alpha, read at any of the seven bit
    // positions, is one valid word sent twice again and again: it says
    // nothing of where characters start. An emission is taken up again on
    // its phasing signal, or on its traffic, never on idle. (A lock lost in
    // mid-emission is taken up on all its traffic.)
    const SoftCharacter c = CombineCopies(dx, rx);
    return !c.phasing && IsAlphaRotation(c.code) ? 0.0 : evidence;
}

CSoftSitorBDecoder::CSoftSitorBDecoder()
    : m_fits(NewArray<SlotFit>(kRing)), m_evidence(NewArray<double>(kRing)) {}

void CSoftSitorBDecoder::Reset() {
    m_aligner.Reset();
    std::fill(std::begin(m_llr), std::end(m_llr), 0.0);
    if (m_fits && m_evidence) {
        std::fill(m_fits.get(), m_fits.get() + kRing, SlotFit());
        std::fill(m_evidence.get(), m_evidence.get() + kRing, 0.0);
    }
    m_bits = 0;
    m_nextDecode = 0;
    m_wasLocked = false;
    m_betweenEmissions = true;
    m_endSignals = 0;
    m_endStart = 0;
    m_shift.Reset();
    ResetCounts();
}

void CSoftSitorBDecoder::Process(const double* llr, size_t count, std::u16string& text) {
    if (!m_fits || !m_evidence) {
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const int64_t t = m_bits++;
        // The last seven bits, oldest first.
        for (int k = 0; k < 6; ++k) {
            m_llr[k] = m_llr[k + 1];
        }
        m_llr[6] = llr[i];
        m_fits[t % kRing] = FitSlot(m_llr);
        if (t >= kFirstPair) {
            const SlotFit& dx = m_fits[(t - kCopyDistance) % kRing];
            const SlotFit& rx = m_fits[t % kRing];
            m_evidence[t % kRing] = PairEvidence(dx, rx);
            m_aligner.Update(t, AlignmentEvidence(dx, rx, m_evidence[t % kRing]));
        }

        if (!m_aligner.Locked()) {
            if (m_wasLocked) {
                FlushShift(text);
            }
            m_wasLocked = false;
            m_nextDecode = t - kLookahead + 1;
            continue;
        }
        if (!m_wasLocked) {
            // A new lock: the emission's text starts in letters.
            m_wasLocked = true;
            m_betweenEmissions = false;
            m_shift.Reset();
            m_endSignals = 0;
            m_nextDecode = FirstPairOfLock(t);
        }
        if (EndOfEmission(t)) {
            // Everything before the end is decided now, without waiting for
            // the lookahead, and what follows is noise until the next
            // emission locks afresh.
            DecodeUpTo(m_endStart - 1, text);
            FlushShift(text);
            m_aligner.Release();
            m_betweenEmissions = true;
            m_wasLocked = false;
            m_nextDecode = t - kLookahead + 1;
            continue;
        }
        DecodeUpTo(t - kLookahead, text);
    }
}

bool CSoftSitorBDecoder::EndOfEmission(int64_t t) {
    if (t < kFirstPair || Mod(t - m_aligner.Alignment(), kAlignments) != 0) {
        return false;
    }
    // An emission ends with alpha sent three times in DX slots, with no RX
    // copies: the pairs read as alpha (against noise in the RX slot).
    const SoftCharacter c = CombineCopies(m_fits[(t - kCopyDistance) % kRing], m_fits[t % kRing]);
    if (c.phasing || c.code != kCcirPhasing1) {
        m_endSignals = 0;
        return false;
    }
    if (m_endSignals++ == 0) {
        m_endStart = t;
    }
    return m_endSignals >= kEndSignals;
}

void CSoftSitorBDecoder::Flush(std::u16string& text) {
    if (!m_fits || !m_evidence || !m_aligner.Locked() || !m_wasLocked) {
        return;
    }
    // The last pairs, with fewer after them to judge by, as far as the
    // emission goes on.
    const int a = m_aligner.Alignment();
    int64_t last = m_nextDecode + Mod(a - m_nextDecode, kAlignments);
    while (last < m_bits && last >= kFirstPair && StillThere(last)) {
        last += kAlignments;
    }
    DecodeUpTo(last - kAlignments, text);
    FlushShift(text);
}

void CSoftSitorBDecoder::FlushShift(std::u16string& text) {
    CShiftTracker::Decision held[CShiftTracker::kLag];
    const int n = m_shift.Flush(held);
    for (int i = 0; i < n; ++i) {
        Print(held[i], text);
    }
}

int64_t CSoftSitorBDecoder::FirstPairOfLock(int64_t t) const {
    // The lock was judged on pairs up to kLookahead bits old that are not
    // decided yet; take back from the newest those that look like the
    // emission, and stop at the first that does not, so that the noise
    // before an emission prints nothing.
    const int64_t newest = t - Mod(t - m_aligner.Alignment(), kAlignments);
    int64_t first = newest + 1;
    for (int64_t r = newest; r >= t - kLookahead && r >= kFirstPair; r -= kAlignments) {
        if (m_evidence[r % kRing] < kTakeBackEvidence) {
            break;
        }
        first = r;
    }
    return first;
}

bool CSoftSitorBDecoder::StillThere(int64_t r) const {
    double sum = 0.0;
    int pairs = 0;
    for (int64_t q = r; q < m_bits; q += kAlignments) {
        sum += std::clamp(m_evidence[q % kRing], -kClip, kClip);
        ++pairs;
        if (m_evidence[q % kRing] >= kTakeBackEvidence && sum >= kStillThere * pairs) {
            return true;
        }
    }
    return false;
}

void CSoftSitorBDecoder::DecodeUpTo(int64_t last, std::u16string& text) {
    const int a = m_aligner.Alignment();
    for (int64_t r = m_nextDecode + Mod(a - m_nextDecode, kAlignments); r <= last;
         r += kAlignments) {
        m_nextDecode = r + 1;
        if (r < kFirstPair) {
            continue;
        }
        if (!StillThere(r)) {
            continue;
        }
        Decide(CombineCopies(m_fits[(r - kCopyDistance) % kRing], m_fits[r % kRing]), text);
    }
}

void CSoftSitorBDecoder::Decide(const SoftCharacter& c, std::u16string& text) {
    if (c.phasing) {
        // The text before idle phasing is complete (the next message starts
        // with its own shift): print what the shift tracker holds.
        FlushShift(text);
        return;
    }
    if (c.reliability >= kReliable) {
        ++m_goodCount;
    } else {
        ++m_errorCount;
    }
    CShiftTracker::Decision decided;
    if (m_shift.Push(c.fit, c.reliability, &decided) > 0) {
        Print(decided, text);
    }
}

void CSoftSitorBDecoder::Print(const CShiftTracker::Decision& d, std::u16string& text) const {
    if (!m_strict || d.reliability >= kReliable) {
        CCcir476Printer::Append(d.code, d.letters, text);
    }
}

}  // namespace wavelore
