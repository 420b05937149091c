#pragma once

#include <cstdint>
#include <optional>

#include "common/chain_quality.h"
#include "common/sample_block.h"

namespace wavelore {

// The input level meter, without the painting: the peak of each sound
// buffer in dB below full scale, a held peak, and clipping that stays
// shown for a few seconds so that a single clipped buffer is seen; and,
// from the weak-signal chain when it runs, its signal-to-noise figure and
// whether it holds the character alignment.
class CLevelMeter {
  public:
    // The scale drawn, dBFS.
    static constexpr double kFloorDb = -60.0;
    // A buffer is 0.19 s: the peak holds about 1.5 s, clipping about 3 s.
    static constexpr int32_t kPeakHoldBlocks = 8;
    static constexpr int32_t kClipHoldBlocks = 16;
    // How far a held peak falls per buffer once its hold is over, dB.
    static constexpr double kPeakFallDb = 3.0;

    // One buffer of samples as the signal chain takes them (sound-card
    // values scaled by kSampleScale). An empty block changes nothing.
    void Process(const SampleBlock& block);
    // Silence: nothing measured, nothing held (a stopped source).
    void Reset();

    // The last buffer's peak, dBFS (kFloorDb for silence or before any).
    double PeakDb() const { return m_peakDb; }
    double HeldPeakDb() const { return m_heldDb; }
    // A sample at full scale within the last kClipHoldBlocks buffers.
    bool Clipping() const { return m_clipBlocks > 0; }
    // 0..1 along the scale from kFloorDb to 0 dBFS.
    static double Fraction(double db);

    // The weak-signal chain's figures after a buffer; nullopt when it does
    // not run (another decoder type or the plain chain).
    using ChainState = ChainQuality;
    void SetChainState(std::optional<ChainState> state) { m_chain = state; }
    // The figure in dB (10 log10, about 3 dB for noise alone), or nullopt.
    std::optional<double> SignalToNoiseDb() const;
    bool Locked() const { return m_chain && m_chain->locked; }
    // The figures are shown only while a chain gives them.
    bool HasChainState() const { return m_chain.has_value(); }

  private:
    double m_peakDb = kFloorDb;
    double m_heldDb = kFloorDb;
    int32_t m_holdBlocks = 0;
    int32_t m_clipBlocks = 0;
    std::optional<ChainState> m_chain;
};

}  // namespace wavelore
