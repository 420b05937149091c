// The production signal chain against the plain one-sample-at-a-time
// reference: same decoded text, same demodulator output, whatever the
// signal and however the audio is cut into blocks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/modes.h"
#include "signal/fsk_demodulator.h"
#include "signal/sitor_b_decoder.h"
#include "support/fixtures.h"
#include "support/reference_dsp.h"
#include "synth/ccir476_encoder.h"

namespace wavelore {
namespace {

constexpr char16_t kMessage[] =
    u"ZCZC EA05\r\n"
    u"041200 UTC APR 24\r\n"
    u"NAVAREA I 0512/24 DOVER STRAIT. LIGHT BUOY 51-08.2N 001-32.4E UNLIT.\r\n"
    u"CANCEL THIS MSG 081200 UTC APR 24 (QUICK BROWN FOX 1234567890?)\r\n"
    u"NNNN\r\n";

struct Signal {
    double centre = 1700.0;    // where the transmitter really is
    double rxCentre = 1700.0;  // where the receiver is tuned
    double baud = 100.0;
    double snrDb = 99.0;  // in 2500 Hz; 99 = no noise
    bool invertTx = false;
    uint32_t seed = 1;
};

std::vector<double> MakeAudio(const Signal& sig) {
    synth::CCcir476Encoder encoder;
    std::vector<uint8_t> codes;
    encoder.ForceLetters(codes);
    EXPECT_TRUE(encoder.Encode(kMessage, codes));
    std::vector<int> bits = reference::SitorBBits(codes, 20);
    if (sig.invertTx) {
        for (int& b : bits) {
            b ^= 1;
        }
    }
    const double amplitude = 80.0;
    std::vector<double> audio =
        reference::FskAudio(bits, sig.centre + 85.0, sig.centre - 85.0, sig.baud, amplitude, 3000);
    if (sig.snrDb < 90.0) {
        const double noisePower = amplitude * amplitude / 2.0 / std::pow(10.0, sig.snrDb / 10.0) *
                                  (kSampleRate / 2.0) / 2500.0;
        std::mt19937 rng(sig.seed);
        std::normal_distribution<double> noise(0.0, std::sqrt(noisePower));
        for (double& x : audio) {
            x += noise(rng);
        }
    }
    return audio;
}

struct ChainResult {
    std::u16string text;
    std::vector<double> demodulated;
    int32_t good = 0;
    int32_t errors = 0;
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
        result.text += decode(out);
        pos += n;
    }
    return result;
}

ChainResult RunFast(const Signal& sig, const std::vector<double>& audio,
                    const std::vector<int32_t>& blockSizes, bool strict = true) {
    CFskDemodulator demod(kSampleRate, sig.rxCentre + 85.0, sig.rxCentre - 85.0, 100);
    demod.SetInvert(sig.invertTx);
    CSitorBDecoder decoder(kSampleRate, 100);
    decoder.SetStrictFec(strict);
    ChainResult r = Run(
        demod, [&](const SampleBlock& b) { return decoder.Decode(b); }, audio, blockSizes);
    r.good = decoder.GoodCount();
    r.errors = decoder.ErrorCount();
    return r;
}

ChainResult RunLiteral(const Signal& sig, const std::vector<double>& audio, bool strict = true) {
    reference::FskDemodulator demod(kSampleRate, sig.rxCentre + 85.0, sig.rxCentre - 85.0, 100);
    demod.SetInvert(sig.invertTx);
    reference::BitSynchroniser sync(kSampleRate, 100, 100);
    CSitorBDecoder handler(kSampleRate, 100);
    handler.SetStrictFec(strict);
    ChainResult r = Run(demod, [&](const SampleBlock& b) { return sync.Decode(b, handler); }, audio,
                        {kSamplesPerBuffer});
    r.good = handler.GoodCount();
    r.errors = handler.ErrorCount();
    return r;
}

void ExpectSameOutput(const ChainResult& fast, const ChainResult& literal) {
    EXPECT_EQ(test::Narrow(fast.text), test::Narrow(literal.text));
    EXPECT_EQ(fast.good, literal.good);
    EXPECT_EQ(fast.errors, literal.errors);
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
    const Signal sig;
    const auto audio = MakeAudio(sig);
    const ChainResult fast = RunFast(sig, audio, {kSamplesPerBuffer});
    const ChainResult literal = RunLiteral(sig, audio);
    ExpectSameOutput(fast, literal);
    // The chain really works: the whole message comes out.
    EXPECT_NE(fast.text.find(kMessage), std::u16string::npos) << test::Narrow(fast.text);
    // Errors come only from the silence before and after (the bits there are
    // all 0, which is no character); the whole message is received with
    // far more good slots than that.
    EXPECT_GE(fast.good, static_cast<int32_t>(std::u16string(kMessage).size()));
}

TEST(ReferenceEquivalence, NoisySignalsAtSeveralLevels) {
    for (double snr : {20.0, 10.0, 6.0, 3.0, 0.0, -3.0}) {
        for (bool strict : {true, false}) {
            SCOPED_TRACE(testing::Message() << "SNR " << snr << " dB, strict " << strict);
            Signal sig;
            sig.snrDb = snr;
            sig.seed = static_cast<uint32_t>(snr + 100);
            const auto audio = MakeAudio(sig);
            ExpectSameOutput(RunFast(sig, audio, {kSamplesPerBuffer}, strict),
                             RunLiteral(sig, audio, strict));
        }
    }
}

TEST(ReferenceEquivalence, MistunedFastBaudAndInvertedSignals) {
    std::vector<Signal> cases(5);
    cases[0].centre = 1740.0;  // 40 Hz off tune
    cases[0].snrDb = 8.0;
    cases[1].centre = 1640.0;
    cases[1].snrDb = 12.0;
    cases[2].baud = 100.3;
    cases[2].snrDb = 10.0;
    cases[3].invertTx = true;
    cases[3].snrDb = 10.0;
    cases[4].centre = cases[4].rxCentre = 900.0;
    cases[4].snrDb = 5.0;
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        const auto audio = MakeAudio(cases[i]);
        ExpectSameOutput(RunFast(cases[i], audio, {kSamplesPerBuffer}),
                         RunLiteral(cases[i], audio));
    }
}

TEST(ReferenceEquivalence, BlockSizesDoNotChangeTheOutput) {
    Signal sig;
    sig.snrDb = 6.0;
    const auto audio = MakeAudio(sig);
    const ChainResult whole = RunFast(sig, audio, {kSamplesPerBuffer});
    for (const std::vector<int32_t>& sizes : std::vector<std::vector<int32_t>>{
             {1, 2, 3, 5, 8, 13},
             {127, 128, 129},
             {511, 512, 513, 1000},
             {4096, 7, 20000},
         }) {
        const ChainResult cut = RunFast(sig, audio, sizes);
        EXPECT_EQ(test::Narrow(cut.text), test::Narrow(whole.text));
        EXPECT_EQ(cut.demodulated, whole.demodulated);
    }
}

}  // namespace
}  // namespace wavelore
