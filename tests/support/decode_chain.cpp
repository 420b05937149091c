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

SampleBlock Demodulate(CFskDemodulator& demodulator, const SampleBlock& block) {
    SampleBlock out(nullptr, block.Count());
    if (out.Empty() ||
        demodulator.Process(block.Data(), static_cast<size_t>(block.Count()), out.Data()) == 0) {
        return SampleBlock();
    }
    return out;
}

std::u16string Decode(CCharacterDecoder& decoder, const SampleBlock& block) {
    std::u16string text;
    decoder.Process(block.Data(), static_cast<size_t>(block.Count()), text);
    return text;
}

BlockOutput Process(CReceiveChain& chain, const SampleBlock& block) {
    BlockOutput out;
    SampleBlock signal(nullptr, block.Count());
    const ChainOutput output =
        chain.Process(block.Data(), static_cast<size_t>(block.Count()), signal.Data());
    if (output.demodulated) {
        out.signal = std::move(signal);
    }
    out.text = output.text;
    out.good = output.good;
    out.errors = output.errors;
    return out;
}

ChainResult RunChain(const std::vector<int16_t>& samples, CFskDemodulator& demodulator,
                     CCharacterDecoder& decoder) {
    ChainResult result;
    const int64_t good = decoder.GoodCount();
    const int64_t errors = decoder.ErrorCount();
    ForEachBuffer(samples, [&](const SampleBlock& block) {
        result.text += Decode(decoder, Demodulate(demodulator, block));
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
        const BlockOutput output = Process(*chain, block);
        result.text += output.text;
        result.good += output.good;
        result.errors += output.errors;
    });
    const ChainOutput rest = chain->Finish();
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

namespace wavelore::test {

MessageScore& MessageScore::operator+=(const MessageScore& other) {
    edits += other.edits;
    sent += other.sent;
    outside += other.outside;
    messages += other.messages;
    complete += other.complete;
    exact += other.exact;
    return *this;
}

MessageScore ScoreMessages(const std::u16string& decoded, const std::u16string& expected) {
    MessageScore score;
    // The message each sent character belongs to (-1: none), and where the
    // header and end marker of each lie.
    const std::size_t n = expected.size();
    std::vector<int> owner(n, -1);
    struct Span {
        std::size_t header;  // "ZCZC B1B2B3B4"
        std::size_t headerEnd;
        std::size_t end;  // "NNNN"
    };
    std::vector<Span> spans;
    for (std::size_t start = expected.find(u"ZCZC"); start != std::u16string::npos;
         start = expected.find(u"ZCZC", start + 4)) {
        const std::size_t end = expected.find(u"NNNN", start);
        if (end == std::u16string::npos) {
            break;
        }
        std::size_t stop = end + 4;
        while (stop < n && (expected[stop] == u'\r' || expected[stop] == u'\n')) {
            ++stop;
        }
        const std::size_t line = expected.find(u'\r', start);
        spans.push_back({start, std::min(line, end), end});
        for (std::size_t i = start; i < stop; ++i) {
            owner[i] = static_cast<int>(spans.size()) - 1;
        }
        score.sent += stop - start;
    }
    score.messages = static_cast<int>(spans.size());

    // Edit distance with the whole table kept for the trace back.
    const std::size_t m = decoded.size();
    std::vector<uint32_t> cost((m + 1) * (n + 1));
    auto at = [&](std::size_t i, std::size_t j) -> uint32_t& { return cost[i * (n + 1) + j]; };
    for (std::size_t j = 0; j <= n; ++j) {
        at(0, j) = static_cast<uint32_t>(j);
    }
    for (std::size_t i = 1; i <= m; ++i) {
        at(i, 0) = static_cast<uint32_t>(i);
        for (std::size_t j = 1; j <= n; ++j) {
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1,
                                 at(i - 1, j - 1) + (decoded[i - 1] == expected[j - 1] ? 0u : 1u)});
        }
    }
    std::vector<int> wrong(spans.size(), 0);
    std::vector<bool> intact(n, false);
    auto charge = [&](int message) {
        if (message >= 0) {
            ++score.edits;
            ++wrong[static_cast<std::size_t>(message)];
        }
    };
    std::size_t i = m;
    std::size_t j = n;
    while (i > 0 || j > 0) {
        if (i > 0 && j > 0 &&
            at(i, j) == at(i - 1, j - 1) + (decoded[i - 1] == expected[j - 1] ? 0u : 1u)) {
            if (decoded[i - 1] == expected[j - 1]) {
                intact[j - 1] = true;
            } else {
                charge(owner[j - 1]);
            }
            --i;
            --j;
        } else if (j > 0 && at(i, j) == at(i, j - 1) + 1) {
            charge(owner[j - 1]);  // a character sent and not decoded
            --j;
        } else {
            // A character decoded that was not sent, between expected[j - 1]
            // and expected[j]: inside a message only between two of its own.
            const int before = j > 0 ? owner[j - 1] : -1;
            const int after = j < n ? owner[j] : -1;
            if (before >= 0 && before == after) {
                charge(before);
            } else {
                ++score.outside;
            }
            --i;
        }
    }
    for (std::size_t k = 0; k < spans.size(); ++k) {
        bool whole = true;
        for (std::size_t c = spans[k].header; c < spans[k].headerEnd; ++c) {
            whole = whole && intact[c];
        }
        for (std::size_t c = spans[k].end; c < spans[k].end + 4; ++c) {
            whole = whole && intact[c];
        }
        score.complete += whole ? 1 : 0;
        score.exact += wrong[k] == 0 ? 1 : 0;
    }
    return score;
}

}  // namespace wavelore::test
