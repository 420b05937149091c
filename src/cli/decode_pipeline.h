#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "common/decoder_text.h"
#include "common/modes.h"
#include "receiver/receive_chain.h"

namespace wavelore::cli {

// The receiver's per-buffer chain without a sound card: samples arrive in
// pieces of any size, and every 2048 of them are scaled by 0.01,
// demodulated and decoded exactly as the decoder thread does with one
// sound buffer. So the text never depends on how the input was cut.
class CDecodePipeline {
  public:
    // Receives each block's text with the decoder's counts since the
    // previous text; returns false to stop decoding.
    using TextHandler = std::function<bool(const DecoderText&)>;

    explicit CDecodePipeline(const ChainSettings& settings);
    CDecodePipeline(const CDecodePipeline&) = delete;
    CDecodePipeline& operator=(const CDecodePipeline&) = delete;

    // False when the chain could not be made (no memory, or a decoder type
    // that produces no text).
    bool Ready() const { return m_chain && m_chain->ProducesText(); }

    // Takes count samples; each completed block is processed at once.
    // Returns false when the handler asked to stop.
    bool Feed(const int16_t* samples, size_t count, const TextHandler& onText);

    // End of input: a partial last block is completed with silence and
    // processed, and the chain gives up what it still holds back, so the
    // last fraction of a second is not lost.
    bool Finish(const TextHandler& onText);

    // Blocks processed so far.
    int64_t Blocks() const { return m_blocks; }

  private:
    bool ProcessBlock(const TextHandler& onText);

    std::unique_ptr<CReceiveChain> m_chain;
    std::array<int16_t, kSamplesPerBuffer> m_block{};
    // The block scaled, then demodulated in place.
    std::array<double, kSamplesPerBuffer> m_samples{};
    size_t m_fill = 0;
    int64_t m_blocks = 0;
};

}  // namespace wavelore::cli
