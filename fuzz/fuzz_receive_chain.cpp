// The receive chain of any decoder type on raw sound samples, as the
// decoder thread runs it.
//
// Input (22 bytes of set-up, then the sound):
//   byte 0      bits 0-6: decoder type (any value: unknown ones must be
//               refused); bit 7: the enhanced chain (SITOR-B only)
//   bytes 1-12  centre, half shift and baud, int32 little-endian each
//   byte 13     bit 0: Strict FEC off; bit 1: invert; bit 2: retune after
//               the first buffer to the centre and half shift that follow;
//               bits 3-7: the buffer length / 64 - 1 (the receiver's
//               buffers hold 2048 samples, shorter ones reach several
//               buffers and the retune in a shorter run)
//   bytes 14-21 that centre and half shift, int32 little-endian
//   the rest    16-bit little-endian samples, in buffers of that length
// Checks: a signal only from the types that demodulate, and text only from
// the types that make text, its carriage returns followed by line feeds,
// also in what the chain gives at the end.

#include <cstdint>
#include <vector>

#include "common/modes.h"
#include "fuzz_input.h"
#include "receiver/receive_chain.h"

using wavelore::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wavelore::fuzz::CFuzzInput in(data, size);
    wavelore::ChainSettings settings;
    const uint8_t type = in.Byte();
    settings.type = static_cast<wavelore::DecoderType>(type & 0x7F);
    settings.enhanced = (type & 0x80) != 0;
    settings.centre = in.Int32();
    settings.halfShift = in.Int32();
    settings.baud = in.Int32();
    const uint8_t options = in.Byte();
    const int32_t retuneCentre = in.Int32();
    const int32_t retuneHalfShift = in.Int32();
    const size_t length = ((options >> 3) + size_t{1}) * 64;

    auto chain = wavelore::CReceiveChain::Create(settings);
    if (!chain) {
        return 0;
    }
    chain->SetStrictFec((options & 1) == 0);
    chain->SetInvert((options & 2) != 0);
    std::vector<double> buffer;
    std::vector<double> signal;
    // No demodulator writes it: a signal is finite, or a NaN from an input.
    constexpr double kUnwritten = -1e300;
    bool first = true;
    while (!in.Empty()) {
        buffer.clear();
        while (buffer.size() < length && in.Remaining() >= 2) {
            buffer.push_back(in.Int16() * wavelore::kSampleScale);
        }
        if (buffer.empty()) {
            break;
        }
        signal.assign(buffer.size(), kUnwritten);
        const wavelore::ChainOutput out =
            chain->Process(buffer.data(), buffer.size(), signal.data());
        Require(out.demodulated || signal == std::vector<double>(buffer.size(), kUnwritten),
                "a type that demodulates nothing wrote a signal");
        Require(chain->ProducesText() || out.text.empty(), "text from a type that makes none");
        Require(wavelore::fuzz::LinesEndInCrLf(out.text), "a carriage return without a line feed");
        Require(out.good >= 0 && out.errors >= 0, "negative counts");
        if (first && (options & 4) != 0) {
            chain->Retune(retuneCentre, retuneHalfShift);
        }
        first = false;
    }
    // The end of a recording: what the chain still holds back.
    const wavelore::ChainOutput tail = chain->Finish();
    Require(wavelore::fuzz::LinesEndInCrLf(tail.text), "a carriage return without a line feed");
    Require(tail.good >= 0 && tail.errors >= 0, "negative counts");
    return 0;
}
