#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/chain_quality.h"

namespace wavelore {

// A decoder's count of good characters and errors.
struct DecoderCounts {
    int32_t good = 0;
    int32_t errors = 0;
};

// The receive chain of one decoder type, as CReceiveChain composes it: the
// blocks that turn sound into a signal for the display and into text.
class IDecoderChain {
  public:
    virtual ~IDecoderChain() = default;

    // n samples of in: the demodulated signal into signal (room for n, may
    // be in) and the text decided appended to text. False when the type
    // demodulates nothing (signal is then untouched).
    virtual bool Process(const double* in, size_t n, double* signal, std::u16string& text) = 0;
    // End of input: what the chain still holds back, appended to text.
    virtual void Finish(std::u16string& /*text*/) {}
    // Moves the tones (Hz); text a retune gives at once is appended.
    virtual void Retune(int32_t centre, int32_t halfShift, std::u16string& text) = 0;
    virtual void SetStrictFec(bool /*strict*/) {}
    // Swaps the tones' sense; returns the previous setting (false for a
    // type without tones to swap).
    virtual bool SetInvert(bool /*invert*/) { return false; }
    // The counts since the previous call, then none.
    virtual DecoderCounts TakeCounts() { return {}; }
    // The signal-to-noise figure and lock after the last call; only the
    // weak-signal chain has them.
    virtual std::optional<ChainQuality> Quality() const { return std::nullopt; }
};

}  // namespace wavelore
