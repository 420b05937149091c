#include "support/decode_chain.h"

#include <algorithm>

#include "common/modes.h"
#include "common/sample_block.h"

namespace wavelore::test {

namespace {

// The recording as the sound card delivers it: scaled buffers, the last
// one padded with silence.
template <typename Each>
void ForEachBuffer(const std::vector<int16_t>& samples, Each each) {
    for (std::size_t start = 0; start < samples.size(); start += kSamplesPerBuffer) {
        SampleBlock block(nullptr, kSamplesPerBuffer);
        const std::size_t n = std::min<std::size_t>(kSamplesPerBuffer, samples.size() - start);
        for (std::size_t i = 0; i < n; ++i) {
            block[static_cast<int32_t>(i)] = samples[start + i] * kSampleScale;
        }
        each(block);
    }
}

}  // namespace

ChainResult RunChain(const std::vector<int16_t>& samples, CFskDemodulator& demodulator,
                     CCharacterDecoder& decoder) {
    ChainResult result;
    const int64_t good = decoder.GoodCount();
    const int64_t errors = decoder.ErrorCount();
    ForEachBuffer(samples, [&](const SampleBlock& block) {
        result.text += decoder.Decode(demodulator.Process(block));
    });
    result.good = decoder.GoodCount() - good;
    result.errors = decoder.ErrorCount() - errors;
    return result;
}

ChainResult RunChain(const std::vector<int16_t>& samples, CCharacterDecoder& decoder, double centre,
                     double shift, int32_t baud) {
    CFskDemodulator demodulator(kSampleRate, centre + shift / 2, centre - shift / 2, baud);
    return RunChain(samples, demodulator, decoder);
}

ChainResult Receive(const std::vector<int16_t>& samples, const ChainSettings& settings, bool strict,
                    bool invert) {
    ChainResult result;
    const auto chain = CReceiveChain::Create(settings);
    if (!chain) {
        return result;
    }
    chain->SetStrictFec(strict);
    chain->SetInvert(invert);
    ForEachBuffer(samples, [&](const SampleBlock& block) {
        ChainOutput output = chain->Process(block);
        result.text += output.text;
        result.good += output.good;
        result.errors += output.errors;
    });
    ChainOutput rest = chain->Finish();
    result.text += rest.text;
    result.good += rest.good;
    result.errors += rest.errors;
    return result;
}

std::u16string Feed(CCharacterDecoder& decoder, const std::vector<int>& bits) {
    std::u16string out;
    for (int bit : bits) {
        decoder.HandleBit(bit, out);
    }
    return out;
}

std::size_t EditDistance(const std::u16string& a, const std::u16string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

double CharacterErrorRate(const std::u16string& decoded, const std::u16string& expected) {
    return expected.empty() ? 0.0
                            : static_cast<double>(EditDistance(decoded, expected)) /
                                  static_cast<double>(expected.size());
}

}  // namespace wavelore::test
