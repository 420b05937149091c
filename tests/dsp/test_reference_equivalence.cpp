// The production signal chain against the plain one-sample-at-a-time
// reference: same decoded text, same demodulator output, whatever the
// signal and however the audio is cut into blocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/modes.h"
#include "dsp/fsk_demodulator.h"
#include "dsp/sitor_b_decoder.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"
#include "support/reference_dsp.h"
#include "synth/synthesizer.h"

namespace wavelore {
namespace {

const synth::NavtexMessage kMessage{
    u"EA05",
    u"041200 UTC APR 24\n"
    u"NAVAREA I 0512/24 DOVER STRAIT. LIGHT BUOY 51-08.2N 001-32.4E UNLIT.\n"
    u"CANCEL THIS MSG 081200 UTC APR 24 (QUICK BROWN FOX 1234567890?)"};

// A synthesized broadcast as the decoder thread sees it: 16-bit samples
// scaled by 0.01. The receiver is tuned to 1700 Hz, 170 Hz shift.
struct Audio {
    std::vector<double> samples;
    std::u16string expected;
    double centre = 1700.0;  // where the receiver is tuned
};

Audio MakeAudio(const synth::SynthOptions& options) {
    const auto recording =
        synth::SynthesizeBroadcast(synth::SynthMode::SitorB, {kMessage}, options, 3.0);
    EXPECT_TRUE(recording.has_value());
    Audio audio;
    if (recording) {
        for (int16_t s : recording->samples) {
            audio.samples.push_back(s * kSampleScale);
        }
        audio.expected = recording->expectedText;
    }
    return audio;
}

synth::SynthOptions Noisy(double snrDb, uint32_t seed) {
    synth::SynthOptions options;
    options.snrDb = snrDb;
    options.seed = seed;
    return options;
}

// The production demodulator through the blocks' Process, in the
// reference's terms.
struct Production {
    CFskDemodulator& demodulator;
    SampleBlock Process(const SampleBlock& block) { return test::Demodulate(demodulator, block); }
};

// One demodulator feeding two decoders, strict FEC on ([0]) and off ([1]).
struct ChainResult {
    std::u16string text[2];
    int32_t good[2] = {};
    int32_t errors[2] = {};
    std::vector<double> demodulated;
};

// Feeds the audio in blocks whose sizes cycle through blockSizes.
template <typename Demodulator, typename DecodeFn>
ChainResult Run(Demodulator& demod, DecodeFn decode, const std::vector<double>& audio,
                const std::vector<int32_t>& blockSizes) {
    ChainResult result;
    size_t pos = 0;
    for (size_t b = 0; pos < audio.size(); ++b) {
        const size_t n = std::min<size_t>(blockSizes[b % blockSizes.size()], audio.size() - pos);
        SampleBlock in(audio.data() + pos, static_cast<int32_t>(n));
        SampleBlock out = demod.Process(in);
        EXPECT_EQ(out.Count(), static_cast<int32_t>(n));
        result.demodulated.insert(result.demodulated.end(), out.Data(), out.Data() + out.Count());
        for (int i = 0; i < 2; ++i) {
            result.text[i] += decode(i, out);
        }
        pos += n;
    }
    return result;
}

template <typename Decoder>
void TakeCounts(ChainResult& r, const Decoder (&decoders)[2]) {
    for (int i = 0; i < 2; ++i) {
        r.good[i] = decoders[i].GoodCount();
        r.errors[i] = decoders[i].ErrorCount();
    }
}

ChainResult RunFast(const Audio& audio, const std::vector<int32_t>& blockSizes,
                    bool invert = false) {
    CFskDemodulator demod(kSampleRate, audio.centre + 85.0, audio.centre - 85.0, 100);
    demod.SetInvert(invert);
    CSitorBDecoder decoders[2] = {{kSampleRate, 100}, {kSampleRate, 100}};
    decoders[1].SetStrictFec(false);
    Production production{demod};
    ChainResult r = Run(
        production, [&](int i, const SampleBlock& b) { return test::Decode(decoders[i], b); },
        audio.samples, blockSizes);
    TakeCounts(r, decoders);
    return r;
}

ChainResult RunLiteral(const Audio& audio, bool invert = false) {
    reference::FskDemodulator demod(kSampleRate, audio.centre + 85.0, audio.centre - 85.0, 100);
    demod.SetInvert(invert);
    reference::BitSynchroniser syncs[2] = {{kSampleRate, 100, 100}, {kSampleRate, 100, 100}};
    CSitorBDecoder handlers[2] = {{kSampleRate, 100}, {kSampleRate, 100}};
    handlers[1].SetStrictFec(false);
    ChainResult r =
        Run(demod, [&](int i, const SampleBlock& b) { return syncs[i].Decode(b, handlers[i]); },
            audio.samples, {kSamplesPerBuffer});
    TakeCounts(r, handlers);
    return r;
}

void ExpectSameOutput(const ChainResult& fast, const ChainResult& literal) {
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "strict FEC" : "lenient FEC");
        EXPECT_EQ(test::Narrow(fast.text[i]), test::Narrow(literal.text[i]));
        EXPECT_EQ(fast.good[i], literal.good[i]);
        EXPECT_EQ(fast.errors[i], literal.errors[i]);
    }
    ASSERT_EQ(fast.demodulated.size(), literal.demodulated.size());
    double worst = 0.0;
    for (size_t i = 0; i < fast.demodulated.size(); ++i) {
        const double a = fast.demodulated[i];
        const double b = literal.demodulated[i];
        const double scale = std::max({std::fabs(a), std::fabs(b), 1e-300});
        worst = std::max(worst, std::fabs(a - b) / scale);
    }
    EXPECT_LE(worst, 1e-12);
}

TEST(ReferenceEquivalence, CleanSignalDecodesTheMessage) {
    const Audio audio = MakeAudio({});
    const ChainResult fast = RunFast(audio, {kSamplesPerBuffer});
    ExpectSameOutput(fast, RunLiteral(audio));
    // The chain really works: the whole broadcast comes out.
    EXPECT_EQ(test::Narrow(fast.text[0]), test::Narrow(audio.expected));
}

TEST(ReferenceEquivalence, NoisySignalsAtSeveralLevels) {
    for (double snr : {12.0, 4.0, 0.0, -4.0}) {
        SCOPED_TRACE(testing::Message() << "SNR " << snr << " dB");
        const Audio audio = MakeAudio(Noisy(snr, static_cast<uint32_t>(snr + 100)));
        ExpectSameOutput(RunFast(audio, {kSamplesPerBuffer}), RunLiteral(audio));
    }
}

TEST(ReferenceEquivalence, MistunedDriftingFadingFastAndInvertedSignals) {
    std::vector<synth::SynthOptions> cases(6, Noisy(8.0, 5));
    cases[0].toneOffsetHz = 40.0;
    cases[1].toneOffsetHz = -60.0;
    cases[2].baud = 100.3;
    cases[3].invert = true;
    cases[4].driftHzPerMinute = 30.0;
    cases[5].fadeDepthDb = 20.0;
    cases[5].fadePeriodSeconds = 5.0;
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        const Audio audio = MakeAudio(cases[i]);
        ExpectSameOutput(RunFast(audio, {kSamplesPerBuffer}, cases[i].invert),
                         RunLiteral(audio, cases[i].invert));
    }
}

TEST(ReferenceEquivalence, OffAirRecording) {
    if (test::RecordingsDir().empty()) {
        GTEST_SKIP() << test::kNoRecordings;
    }
    // Raw 16-bit little-endian at 11025 Hz, tones at 915 and 1085 Hz.
    const std::string bytes = test::ReadFile(test::RecordingsDir() / "navtex_example_11025.s16le");
    ASSERT_GT(bytes.size(), 100000u);
    Audio audio;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<uint8_t>(bytes[i]);
        const auto hi = static_cast<uint8_t>(bytes[i + 1]);
        audio.samples.push_back(static_cast<int16_t>(lo | (hi << 8)) * kSampleScale);
    }
    for (double centre : {1000.0, 960.0, 1045.0, 1700.0}) {
        audio.centre = centre;
        SCOPED_TRACE(testing::Message() << "tuned to " << centre << " Hz");
        ExpectSameOutput(RunFast(audio, {kSamplesPerBuffer}), RunLiteral(audio));
    }
}

TEST(ReferenceEquivalence, BlockSizesDoNotChangeTheOutput) {
    const Audio audio = MakeAudio(Noisy(4.0, 9));
    const ChainResult whole = RunFast(audio, {kSamplesPerBuffer});
    for (const std::vector<int32_t>& sizes : std::vector<std::vector<int32_t>>{
             {1, 2, 3, 5, 8, 13},
             {127, 128, 129},
             {511, 512, 513, 1000},
             {4096, 7, 20000},
         }) {
        const ChainResult cut = RunFast(audio, sizes);
        EXPECT_EQ(test::Narrow(cut.text[0]), test::Narrow(whole.text[0]));
        EXPECT_EQ(test::Narrow(cut.text[1]), test::Narrow(whole.text[1]));
        EXPECT_EQ(cut.demodulated, whole.demodulated);
    }
}

}  // namespace
}  // namespace wavelore
