#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/modes.h"
#include "dsp/start_stop_decoder.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"
#include "synth/synthesizer.h"

namespace wavelore {
namespace {

using test::Feed;
using test::Narrow;

constexpr uint32_t kFigs = 27;
constexpr uint32_t kLtrs = 31;

uint32_t CodeOf(char16_t c, bool figures) {
    for (uint32_t code = 0; code < 32; ++code) {
        if ((figures ? CStartStopDecoder::Figure(code) : CStartStopDecoder::Letter(code)) == c) {
            return code;
        }
    }
    ADD_FAILURE() << "no code for " << static_cast<int>(c);
    return 0;
}

// Half-bit samples of one character: start, five data bits (first data bit
// = bit 4 of the code), stop for stopHalves samples.
void AppendCharacter(std::vector<int>& samples, uint32_t code, int stopHalves) {
    samples.insert(samples.end(), {0, 0});
    for (int i = 4; i >= 0; --i) {
        const int bit = static_cast<int>((code >> i) & 1);
        samples.insert(samples.end(), {bit, bit});
    }
    samples.insert(samples.end(), stopHalves, 1);
}

std::vector<int> Key(const std::vector<uint32_t>& codes, int stopHalves) {
    std::vector<int> samples(6, 1);  // mark idle
    for (uint32_t code : codes) {
        AppendCharacter(samples, code, stopHalves);
    }
    return samples;
}

TEST(StartStopDecoder, TableFollowsIta2) {
    // First data bit as bit 4: E is 10000, T is 00001, A is 11000.
    EXPECT_EQ(CStartStopDecoder::Letter(0x10), u'E');
    EXPECT_EQ(CStartStopDecoder::Letter(0x01), u'T');
    EXPECT_EQ(CStartStopDecoder::Letter(0x18), u'A');
    EXPECT_EQ(CStartStopDecoder::Figure(0x18), u'-');
    EXPECT_EQ(CStartStopDecoder::Figure(0x1D), u'1');
}

TEST(StartStopDecoder, DecodesWithShiftsAtOneToTwoStopBits) {
    // "CQ 73 DE K1ABC" followed by a line end.
    const std::vector<uint32_t> codes = {kLtrs,
                                         CodeOf(u'C', false),
                                         CodeOf(u'Q', false),
                                         CodeOf(u' ', false),
                                         kFigs,
                                         CodeOf(u'7', true),
                                         CodeOf(u'3', true),
                                         CodeOf(u' ', true),
                                         kLtrs,
                                         CodeOf(u'D', false),
                                         CodeOf(u'E', false),
                                         CodeOf(u' ', false),
                                         CodeOf(u'K', false),
                                         kFigs,
                                         CodeOf(u'1', true),
                                         kLtrs,
                                         CodeOf(u'A', false),
                                         CodeOf(u'B', false),
                                         CodeOf(u'C', false),
                                         2 /* CR */,
                                         8 /* LF */};
    for (int stopHalves : {2, 3, 4, 7}) {
        CStartStopDecoder decoder(11025, 90);
        EXPECT_EQ(Narrow(Feed(decoder, Key(codes, stopHalves))), "CQ 73 DE K1ABC\n")
            << stopHalves << " stop half-bits";
        EXPECT_EQ(decoder.GoodCount(), 0);
        EXPECT_EQ(decoder.ErrorCount(), 0);
    }
}

TEST(StartStopDecoder, FiguresStayAcrossSpaces) {
    CStartStopDecoder decoder(11025, 100);
    const std::vector<uint32_t> codes = {kFigs, CodeOf(u'1', true), CodeOf(u' ', true),
                                         CodeOf(u'2', true)};
    EXPECT_EQ(Narrow(Feed(decoder, Key(codes, 3))), "1 2");
    EXPECT_FALSE(decoder.Letters());
}

TEST(StartStopDecoder, ReadsEachDataBitFromItsFirstHalf) {
    // The bit clock puts the first sample of the start bit between a tenth
    // and a half of a half-bit after the edge, so the first half-bit sample
    // of each data bit is the one well inside it; the second may already
    // see the next bit. Inverting every second half must not matter.
    std::vector<int> samples(6, 1);
    for (char16_t c : std::u16string(u"RYRY")) {
        std::vector<int> one;
        AppendCharacter(one, CodeOf(c, false), 3);
        for (size_t i = 3; i < 12; i += 2) {
            one[i] ^= 1;
        }
        samples.insert(samples.end(), one.begin(), one.end());
    }
    CStartStopDecoder decoder(11025, 90);
    EXPECT_EQ(Narrow(Feed(decoder, samples)), "RYRY");
}

TEST(StartStopDecoder, SpikesAndFramingErrorsGiveNoText) {
    CStartStopDecoder decoder(11025, 90);
    // A lone space sample on a mark line is not a start bit.
    std::vector<int> samples = {1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(Narrow(Feed(decoder, samples)), "");
    // A character whose stop bit is space is dropped; the next one decodes.
    std::vector<int> bad;
    AppendCharacter(bad, CodeOf(u'E', false), 0);
    bad.insert(bad.end(), {0, 0, 0, 0, 1, 1, 1});
    AppendCharacter(bad, CodeOf(u'T', false), 3);
    EXPECT_EQ(Narrow(Feed(decoder, bad)), "T");
    // A steady mark never starts a character; neither does a steady space.
    EXPECT_EQ(Narrow(Feed(decoder, std::vector<int>(500, 1))), "");
    EXPECT_EQ(Narrow(Feed(decoder, std::vector<int>(500, 0))), "");
}

TEST(StartStopDecoder, CarriageReturnNullAndBellGiveNoText) {
    CStartStopDecoder decoder(11025, 90);
    const std::vector<uint32_t> codes = {
        CodeOf(u'A', false), 2, 0, kFigs, 5 /* H */, 20 /* bell */, 8, kLtrs, CodeOf(u'B', false)};
    EXPECT_EQ(Narrow(Feed(decoder, Key(codes, 3))), "A\nB");
}

// The decoder thread's chain for RTTY.
std::u16string DecodeRtty(const std::vector<int16_t>& samples, double centre, double shift,
                          int32_t baud) {
    const ChainSettings settings{DecoderType::StartStop, static_cast<int32_t>(centre),
                                 static_cast<int32_t>(shift / 2), baud};
    return test::Receive(samples, settings).text;
}

TEST(StartStopDecoder, SynthesizedRttyDecodesAtCommonSpeedsAndShifts) {
    const std::vector<synth::NavtexMessage> messages = {
        {u"ZA01",
         u"RYRYRY THE QUICK BROWN FOX 1234567890 JUMPS.\r\nPRESSURE 1013 HPA, WIND 25 KT"}};
    struct Case {
        double sentBaud;
        int32_t baud;  // as the user selects it
        double shift;
        double centre;
    };
    for (const Case& c : {Case{45.45, 45, 170, 1700}, Case{45.45, 45, 850, 1700},
                          Case{50, 50, 450, 1500}, Case{50, 50, 170, 2125}}) {
        synth::SynthOptions options;
        options.baud = c.sentBaud;
        options.shiftHz = c.shift;
        options.centreHz = c.centre;
        options.snrDb = 15.0;
        const auto recording =
            synth::SynthesizeBroadcast(synth::SynthMode::Rtty, messages, options, 1.0);
        ASSERT_TRUE(recording.has_value());
        const std::u16string text = DecodeRtty(recording->samples, c.centre, c.shift, c.baud);
        // Noise before and after the carrier may print a few characters.
        EXPECT_NE(text.find(recording->expectedText), std::u16string::npos)
            << c.sentBaud << " baud, " << c.shift << " Hz shift: " << Narrow(text);
        EXPECT_LE(text.size(), recording->expectedText.size() + 10);
    }
}

TEST(StartStopDecoder, NoisyMistunedRttyStaysWithinAnErrorBand) {
    const std::vector<synth::NavtexMessage> messages = {
        {u"ZA01",
         u"RYRYRY THE QUICK BROWN FOX 1234567890 JUMPS.\r\nPRESSURE 1013 HPA, WIND 25 KT"}};
    // 0 dB in 2500 Hz, 10 Hz off tune, and a transmitter 0.3 % fast.
    for (const double sent : {45.45, 45.6, 50.0}) {
        synth::SynthOptions options;
        options.baud = sent;
        options.snrDb = 0.0;
        options.toneOffsetHz = 10.0;
        options.leadInSeconds = 0.2;
        options.tailSeconds = 0.1;
        const auto recording =
            synth::SynthesizeBroadcast(synth::SynthMode::Rtty, messages, options, 1.0);
        ASSERT_TRUE(recording.has_value());
        const std::u16string text = DecodeRtty(recording->samples, 1700, 170, sent < 48 ? 45 : 50);
        EXPECT_LE(test::EditDistance(text, recording->expectedText), 4u)
            << sent << " baud: " << Narrow(text);
    }
}

TEST(StartStopDecoder, RandomSamplesNeverCrash) {
    CStartStopDecoder decoder(11025, 90);
    std::mt19937 rng(5);
    std::u16string out;
    for (int i = 0; i < 300000; ++i) {
        decoder.HandleBit(static_cast<int>(rng() & 1), out);
    }
    EXPECT_FALSE(out.empty());
    for (char16_t c : out) {
        ASSERT_TRUE(c == u'\n' || (c >= 0x20 && c < 0x7F)) << static_cast<int>(c);
    }
}

}  // namespace
}  // namespace wavelore
