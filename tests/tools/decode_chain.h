#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/modes.h"
#include "common/sample_block.h"
#include "signal/character_decoder.h"
#include "signal/fsk_demodulator.h"

namespace wavelore::test {

struct ChainResult {
    std::u16string text;
    int64_t good = 0;
    int64_t errors = 0;
};

// Runs 16-bit samples through the receiver's chain as the decoder thread
// does: 2048-sample buffers scaled by 0.01, the FSK demodulator, then the
// decoder's bit synchroniser. A final partial buffer is padded with zeros,
// as a sound device would deliver it. The demodulator and the decoder must
// be set up for the same tones and (possibly doubled) baud.
inline ChainResult RunChain(const std::vector<int16_t>& samples, CFskDemodulator& demodulator,
                            CCharacterDecoder& decoder) {
    ChainResult result;
    for (std::size_t start = 0; start < samples.size(); start += kSamplesPerBuffer) {
        SampleBlock block(nullptr, kSamplesPerBuffer);
        const std::size_t n = std::min<std::size_t>(kSamplesPerBuffer, samples.size() - start);
        for (std::size_t i = 0; i < n; ++i) {
            block[static_cast<int32_t>(i)] = samples[start + i] * kSampleScale;
        }
        const SampleBlock out = demodulator.Process(block);
        result.text += decoder.Decode(out);
        result.good += decoder.GoodCount();
        result.errors += decoder.ErrorCount();
        decoder.ResetCounts();
    }
    return result;
}

// Edit distance (insertions, deletions, substitutions) between two texts.
inline std::size_t EditDistance(const std::u16string& a, const std::u16string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                               diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Character error rate of decoded text against what was sent.
inline double CharacterErrorRate(const std::u16string& decoded, const std::u16string& expected) {
    return expected.empty() ? 0.0
                            : static_cast<double>(EditDistance(decoded, expected)) /
                                  static_cast<double>(expected.size());
}

}  // namespace wavelore::test
