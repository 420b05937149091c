#include "dsp/sitor_b_aligner.h"

#include <algorithm>

namespace wavelore {

namespace {

// Scores are running means over about eight character pairs (1.1 s).
constexpr double kSmoothing = 1.0 / 8.0;
// One pair's evidence counts at most this much either way, so a burst of
// noise or one very clean pair cannot swamp the mean.
constexpr double kClip = 8.0;
// Lock above kLockOn, unlock below kLockOff; move to another alignment when
// it leads the current one by kSwitchMargin (all in nats per pair).
constexpr double kLockOn = 2.0;
constexpr double kLockOff = 0.5;
constexpr double kSwitchMargin = 1.0;
// Where every score starts, and the lowest it goes: below the lock, above
// what noise gives.
constexpr double kInitialScore = -1.0;

}  // namespace

CSitorBAligner::CSitorBAligner() {
    m_scores.fill(kInitialScore);
}

int CSitorBAligner::Best() const {
    return static_cast<int>(std::max_element(m_scores.begin(), m_scores.end()) - m_scores.begin());
}

void CSitorBAligner::Release() {
    m_scores.fill(kInitialScore);
    m_locked = false;
}

void CSitorBAligner::Update(int64_t bit, double evidence) {
    const int h = static_cast<int>(((bit % kAlignments) + kAlignments) % kAlignments);
    double& score = m_scores[static_cast<size_t>(h)];
    // Never below where scores start: a second of noise, or of bits a fade
    // or a clock still settling made wrong with full confidence, would
    // otherwise hold back the lock on the phasing that follows by as long.
    score =
        std::max(score + kSmoothing * (std::clamp(evidence, -kClip, kClip) - score), kInitialScore);

    if (!m_locked) {
        if (score > kLockOn && Best() == h) {
            m_locked = true;
            m_current = h;
        }
        return;
    }
    if (h == m_current) {
        if (score < kLockOff) {
            const int best = Best();
            if (best != h && m_scores[static_cast<size_t>(best)] > kLockOn) {
                m_current = best;
                ++m_realignments;
            } else {
                m_locked = false;
            }
        }
    } else if (score > kLockOn &&
               score > m_scores[static_cast<size_t>(m_current)] + kSwitchMargin) {
        m_current = h;
        ++m_realignments;
    }
}

}  // namespace wavelore
