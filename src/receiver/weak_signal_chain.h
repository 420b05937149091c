#pragma once

#include <cstdint>
#include <memory>

#include "dsp/enhanced_sitor_b_chain.h"
#include "receiver/decoder_chain.h"

namespace wavelore {

// SITOR-B on the weak-signal chain, which keeps the last kReplaySeconds of
// its input: moved to tones it was not following (beyond its AFC's reach),
// it gives up what it held back and starts afresh on the new tones with the
// audio since its last text, so the seconds spent finding a signal (its
// first header, often) are decoded after all, once.
class CWeakSignalChain final : public IDecoderChain {
  public:
    static constexpr int32_t kReplaySeconds = 8;

    // centre, halfShift: Hz. baud: > 0. Null when memory is short; without
    // memory for the replay the chain still decodes, it only cannot decode
    // again after a retune.
    static std::unique_ptr<CWeakSignalChain> Create(int32_t centre, int32_t halfShift,
                                                    int32_t baud);

    bool Process(const double* in, size_t n, double* signal, std::u16string& text) override;
    void Finish(std::u16string& text) override { m_chain->Flush(text); }
    void Retune(int32_t centre, int32_t halfShift, std::u16string& text) override;
    void SetStrictFec(bool strict) override;
    bool SetInvert(bool invert) override;
    DecoderCounts TakeCounts() override;
    std::optional<ChainQuality> Quality() const override {
        return ChainQuality{m_chain->SignalToNoise(), m_chain->Locked()};
    }

    const CEnhancedSitorBChain& Chain() const { return *m_chain; }

  private:
    CWeakSignalChain(int32_t centre, int32_t halfShift, int32_t baud);

    // Keeps samples in the replay ring.
    void Remember(const double* in, size_t n);
    // A fresh chain on the tuning in force given the last count samples of
    // the ring; false when memory is short.
    bool Replay(int64_t count, std::u16string& text);

    int32_t m_centre;
    int32_t m_halfShift;
    int32_t m_baud;
    bool m_strict = true;
    bool m_invert = false;
    std::unique_ptr<CEnhancedSitorBChain> m_chain;
    // The counts of a chain a replay replaced, given with the replay's.
    DecoderCounts m_carried;
    // The last input, as a ring, how many samples have been written to it,
    // and how many the chain has taken since its last text (or its start).
    std::unique_ptr<float[]> m_ring;
    int64_t m_ringSize = 0;
    int64_t m_written = 0;
    int64_t m_quiet = 0;
    // One buffer of the ring at a time, replayed.
    std::unique_ptr<double[]> m_piece;
};

}  // namespace wavelore
