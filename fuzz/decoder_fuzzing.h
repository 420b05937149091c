#pragma once

// The one body of the four character-decoder targets.
//
// Input: one options byte, then the signal.
//   options bit 0: Strict FEC off.
//   options bit 1: the signal is demodulator output for Decode (values);
//                  else bits for HandleBit.
//   options bits 2..7: block length - 1 in which a second decoder gets the
//                  same values (values only).
//   bits:   eight per byte, the most significant first.
//   values: one run per byte: bit 7 the sign (1: positive, the upper
//           tone), bits 0..6 the run length - 1 in samples; runs past
//           kMaxValues samples are left out (they only cost time).
// Checks: every carriage return in the text is followed by a line feed;
// values cut into blocks decode exactly as in one piece.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/modes.h"
#include "fuzz_input.h"

namespace wavelore::fuzz {

constexpr uint8_t kLenient = 1;
constexpr uint8_t kValues = 2;
// About 37 bits at 100 baud: enough for the bit clock, whose state lasts
// a bit or two; the decoders' own states are reached far faster through
// bits.
constexpr size_t kMaxValues = size_t{1} << 12;

template <typename Decoder>
int FuzzDecoder(const uint8_t* data, size_t size, uint32_t baud) {
    CFuzzInput in(data, size);
    const uint8_t options = in.Byte();
    Decoder whole(kSampleRate, baud);
    whole.SetStrictFec((options & kLenient) == 0);
    std::u16string text;
    if ((options & kValues) == 0) {
        while (!in.Empty()) {
            const uint8_t byte = in.Byte();
            for (int i = 7; i >= 0; --i) {
                whole.HandleBit((byte >> i) & 1, text);
            }
        }
        Require(LinesEndInCrLf(text), "a carriage return without a line feed");
        return 0;
    }

    std::vector<double> values;
    while (!in.Empty() && values.size() < kMaxValues) {
        const uint8_t run = in.Byte();
        values.insert(values.end(), (run & 0x7F) + 1u, (run & 0x80) != 0 ? 1.0 : -1.0);
    }
    const size_t count = values.size();
    whole.Process(values.data(), count, text);
    Require(LinesEndInCrLf(text), "a carriage return without a line feed");

    Decoder pieces(kSampleRate, baud);
    pieces.SetStrictFec((options & kLenient) == 0);
    const size_t length = (options >> 2) + 1u;
    std::u16string piecesText;
    for (size_t start = 0; start < count; start += length) {
        const size_t n = count - start < length ? count - start : length;
        pieces.Process(values.data() + start, n, piecesText);
    }
    Require(piecesText == text, "blocks decode differently from the whole");
    Require(pieces.GoodCount() == whole.GoodCount() && pieces.ErrorCount() == whole.ErrorCount(),
            "blocks count differently from the whole");
    return 0;
}

}  // namespace wavelore::fuzz
