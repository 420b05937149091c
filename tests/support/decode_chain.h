#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/sample_block.h"
#include "dsp/character_decoder.h"
#include "dsp/fsk_demodulator.h"
#include "receiver/receive_chain.h"

namespace wavelore::test {

// The blocks' Process over whole sample blocks, for tests that think in
// them: the demodulated block (empty when none came out), the text, and a
// chain's output with its signal.
SampleBlock Demodulate(CFskDemodulator& demodulator, const SampleBlock& block);
std::u16string Decode(CCharacterDecoder& decoder, const SampleBlock& block);
struct BlockOutput {
    SampleBlock signal;  // empty when nothing was demodulated
    std::u16string text;
    int32_t good = 0;
    int32_t errors = 0;
};
BlockOutput Process(CReceiveChain& chain, const SampleBlock& block);

struct ChainResult {
    std::u16string text;
    int64_t good = 0;  // what the decoder counted during the run
    int64_t errors = 0;
};

// Runs 16-bit samples through the receiver's chain as the decoder thread
// does: 2048-sample buffers scaled by 0.01, the FSK demodulator, then the
// decoder's bit synchroniser. A final partial buffer is padded with zeros,
// as a sound device would deliver it. The demodulator and the decoder must
// be set up for the same tones and (possibly doubled) baud. The decoder's
// own counters keep running.
ChainResult RunChain(const std::vector<int16_t>& samples, CFskDemodulator& demodulator,
                     CCharacterDecoder& decoder);

// The same through a fresh demodulator for the tones centre +- shift / 2
// at baud, which must be the decoder's.
ChainResult RunChain(const std::vector<int16_t>& samples, CCharacterDecoder& decoder,
                     double centre = 1700, double shift = 170, int32_t baud = 100);

// The receiver's chain for a decoder type, as the decoder thread builds
// it, over the whole recording, and what the chain holds back at its end.
ChainResult Receive(const std::vector<int16_t>& samples, const ChainSettings& settings,
                    bool strict = true, bool invert = false);

// Bits straight into the decoder's bit handler, bypassing the modem;
// returns the text they produce.
std::u16string Feed(CCharacterDecoder& decoder, const std::vector<int>& bits);

// Edit distance (insertions, deletions, substitutions) between two texts.
std::size_t EditDistance(const std::u16string& a, const std::u16string& b);

// Character error rate of decoded text against what was sent.
double CharacterErrorRate(const std::u16string& decoded, const std::u16string& expected);

// Decoded text judged message by message against what was sent, whose
// messages run from "ZCZC" to "NNNN" and its line end. The two texts are
// aligned with the fewest edits; an edit inside a message's span counts
// against that message, a character decoded between or around messages is
// printed outside them.
struct MessageScore {
    std::size_t edits = 0;    // inside messages
    std::size_t sent = 0;     // characters of the messages
    std::size_t outside = 0;  // characters printed outside messages
    int messages = 0;         // messages sent
    int complete = 0;         // "ZCZC B1B2B3B4" and "NNNN" decoded intact
    int exact = 0;            // every character right
    double Rate() const {
        return sent ? static_cast<double>(edits) / static_cast<double>(sent) : 0.0;
    }
    MessageScore& operator+=(const MessageScore& other);
};
MessageScore ScoreMessages(const std::u16string& decoded, const std::u16string& expected);

}  // namespace wavelore::test
