#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "common/modes.h"
#include "dsp/amtor_decoder.h"
#include "dsp/ccir476_table.h"
#include "dsp/navtex_j_decoder.h"
#include "dsp/sitor_b_decoder.h"
#include "dsp/start_stop_decoder.h"
#include "support/fixtures.h"
#include "synth/ccir476_encoder.h"
#include "synth/fec_interleaver.h"
#include "synth/fsk_modulator.h"
#include "synth/navtex_j_encoder.h"
#include "synth/synthesizer.h"
#include "synth/transmission.h"
#include "synth/wav_writer.h"

namespace wavelore::synth {
namespace {

using test::Narrow;

// Feeds a keyed emission straight into a decoder's bit handler, bypassing
// the modem, so the emission's structure is checked on its own.
std::u16string DecodeBits(CCharacterDecoder& decoder, const std::vector<uint8_t>& bits,
                          int leadingZeros = 3) {
    std::u16string text;
    for (int i = 0; i < leadingZeros; ++i) {
        decoder.HandleBit(0, text);
    }
    for (const uint8_t b : bits) {
        decoder.HandleBit(b, text);
    }
    // Flush: a few bit periods of silence after the carrier drops.
    for (int i = 0; i < 60; ++i) {
        decoder.HandleBit(0, text);
    }
    return text;
}

const std::vector<NavtexMessage> kTwoMessages = {
    {u"GA23", u"GALE WARNING 045\r\nWIND SW 8 TO 9, VIS 2NM.\r\n"},
    {u"EE45", u"FORECAST AREA 12: N 4-5 (SEA 1.5M) = TOM/ROGER?"},
};

TEST(Ccir476Encoder, ShiftsOnlyWhenNeededAndSendsLineEndsAsCrLf) {
    CCcir476Encoder encoder;
    std::vector<uint8_t> codes;
    ASSERT_TRUE(encoder.Encode(u"ab 12 c\n", codes));
    const std::vector<uint8_t> expected = {
        0x5A, 0x47, 0x72,  // letters, A, B (lower case sent as capitals)
        0x5C,              // space needs no shift
        0x36, 0x2E, 0x27,  // figures, 1, 2
        0x5C, 0x5A, 0x1D,  // space, letters, C
        0x78, 0x6C,        // CR LF
    };
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(Narrow(Ccir476Text(codes)), "AB 12 C\r\n");

    // The state carries over: more letters need no shift; "\r\n" and a lone
    // "\r" both give CR LF.
    codes.clear();
    ASSERT_TRUE(encoder.Encode(u"D\r\nE\r", codes));
    EXPECT_EQ(codes, (std::vector<uint8_t>{0x53, 0x78, 0x6C, 0x56, 0x78, 0x6C}));

    // A character without a code is refused and nothing is appended.
    codes.clear();
    std::size_t bad = 0;
    EXPECT_FALSE(encoder.Encode(u"OK_", codes, &bad));
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(bad, 2u);
    EXPECT_FALSE(encoder.Encode(u"%", codes));
    EXPECT_FALSE(encoder.Encode(u"\u00C4", codes));
}

TEST(FecInterleaver, CopiesAreFiveSlotsApartAndTheEmissionEndsAfterTheLastRx) {
    const std::vector<FecUnit> units = {{0x47, 0x47, true}, {0x72, 0x72, true}, {0x0F, 0, false}};
    const std::vector<uint16_t> slots = InterleaveFec(units, kCcir476Fec);
    //   slot: 0 DX A, 1 RX fill, 2 DX B, 3 RX fill, 4 DX alpha, 5 RX A, 6 DX fill, 7 RX B
    const std::vector<uint16_t> expected = {0x47, 0x0F, 0x72, 0x0F, 0x0F, 0x47, 0x66, 0x72};
    EXPECT_EQ(slots, expected);

    std::vector<uint8_t> bits;
    AppendCodeBits(0x5A, 7, bits);
    EXPECT_EQ(bits, (std::vector<uint8_t>{0, 1, 0, 1, 1, 0, 1}));  // bit 0 first
}

TEST(Transmission, TrafficBitsRepeat35BitsLaterAndPhasingIsWhatTheAirCarries) {
    CTransmission t(SynthMode::SitorB);
    t.AddPhasing(0.7);  // 5 units of 14 bits
    ASSERT_TRUE(t.AddText(u"RYRY"));
    const Keying keying = t.MakeKeying();
    const std::vector<uint8_t>& bits = keying.elements;
    ASSERT_EQ(keying.elementsPerBit, 1);

    // Phasing: repetition signal in DX, alpha in RX; the 14 bits
    // 1111000 0110011 (alpha then repetition) recur every 14 bits.
    for (std::size_t i = 7; i + 14 <= 70; i += 14) {
        uint32_t pattern = 0;
        for (std::size_t k = 0; k < 14; ++k) {
            pattern = pattern * 2 + bits[i + k];
        }
        EXPECT_EQ(pattern, 0x3C33u) << "at bit " << i;
    }
    // Traffic: slot 2n holds unit n's DX copy, slot 2n + 5 its RX copy.
    const std::size_t firstTraffic = 5;  // units
    const std::size_t units = firstTraffic + 4;
    for (std::size_t n = firstTraffic; n < units; ++n) {
        for (int k = 0; k < 7; ++k) {
            EXPECT_EQ(bits[14 * n + k], bits[14 * n + 35 + k]) << n << ":" << k;
        }
    }
    // Every seven-bit slot of the emission is a valid code.
    ASSERT_EQ(bits.size() % 7, 0u);
    for (std::size_t i = 0; i < bits.size(); i += 7) {
        uint32_t code = 0;
        for (int k = 0; k < 7; ++k) {
            code |= static_cast<uint32_t>(bits[i + k]) << k;
        }
        EXPECT_TRUE(Ccir476IsValid(code)) << "slot " << i / 7;
    }
}

TEST(Transmission, MessagesAreFramedAndARefusedMessageLeavesNothing) {
    CTransmission t(SynthMode::SitorB);
    ASSERT_TRUE(t.AddMessage({u"EA12", u"TEST"}));
    EXPECT_EQ(Narrow(t.ExpectedText()), "ZCZC EA12\r\nTEST\r\nNNNN\r\n");
    const std::size_t bits = t.MakeKeying().elements.size();
    EXPECT_FALSE(t.AddMessage({u"EA13", u"BAD \u00E9"}));
    EXPECT_EQ(t.MakeKeying().elements.size(), bits);
    EXPECT_FALSE(MakeBroadcast(SynthMode::SitorB, {{u"EA12", u"caf\u00E9"}}).has_value());
}

// The heart of the synthesizer's contract: fed bit by bit to the receiver's
// decoders, each mode's emission prints exactly the expected text.
TEST(Transmission, EachDecoderPrintsTheExpectedTextFromThePerfectBitStream) {
    {
        const auto t = MakeBroadcast(SynthMode::SitorB, kTwoMessages, 1.0, 0.5);
        ASSERT_TRUE(t);
        CSitorBDecoder decoder(kSampleRate, 100);
        EXPECT_EQ(Narrow(DecodeBits(decoder, t->MakeKeying().elements)), Narrow(t->ExpectedText()));
        EXPECT_EQ(Narrow(t->ExpectedText()),
                  "ZCZC GA23\r\nGALE WARNING 045\r\nWIND SW 8 TO 9, VIS 2NM.\r\nNNNN\r\n"
                  "ZCZC EE45\r\nFORECAST AREA 12: N 4-5 (SEA 1.5M) = TOM/ROGER?\r\nNNNN\r\n");
    }
    {
        // AMTOR prints both copies as they come, each in the shift of its
        // moment: the RX copy of B arrives after the figures shift (as ?),
        // that of 1 after the letters shift (as Q).
        CTransmission t(SynthMode::Amtor);
        t.AddPhasing(0.5);
        ASSERT_TRUE(t.AddText(u"AB 1 C"));
        CAmtorDecoder decoder(kSampleRate, 100);
        const std::u16string text = DecodeBits(decoder, t.MakeKeying().elements, 0);
        EXPECT_EQ(Narrow(text), Narrow(t.ExpectedText()));
        EXPECT_EQ(Narrow(t.ExpectedText()), "AB A?1  QC C");
    }
    {
        const auto t =
            MakeBroadcast(SynthMode::NavtexJ, {{u"JA123", u"\u6D77\u4E0A\u8B66\u5831 NO.5"}}, 1.0);
        ASSERT_TRUE(t);
        CNavtexJDecoder decoder(kSampleRate, 100);
        EXPECT_EQ(Narrow(DecodeBits(decoder, t->MakeKeying().elements)), Narrow(t->ExpectedText()));
        EXPECT_EQ(Narrow(t->ExpectedText()),
                  "ＺＣＺＣ　ＪＡ１２３\n海上警報　ＮＯ．５\nＮＮＮＮ\n");
    }
    {
        const auto t = MakeBroadcast(SynthMode::Rtty, {{u"ZA01", u"RYRY 1234 THE QUICK"}}, 0.5);
        ASSERT_TRUE(t);
        const Keying keying = t->MakeKeying();
        ASSERT_EQ(keying.elementsPerBit, 2);
        CStartStopDecoder decoder(kSampleRate, 100);
        EXPECT_EQ(Narrow(DecodeBits(decoder, keying.elements, 0)), Narrow(t->ExpectedText()));
        EXPECT_EQ(Narrow(t->ExpectedText()), "ZCZC ZA01\nRYRY 1234 THE QUICK\nNNNN\n");
    }
}

TEST(NavtexJ, CheckBitsCountTheZeroDataBitsAndRefuseWhatJisLacks) {
    EXPECT_EQ(NavtexJCode(0x19), 0x099);  // the phasing pair's DX signal
    EXPECT_EQ(NavtexJCode(0x04), 0x184);  // and its RX signal
    for (uint32_t b = 0; b < 128; ++b) {
        EXPECT_TRUE(CNavtexJDecoder::IsValid(NavtexJCode(static_cast<uint8_t>(b)))) << b;
        EXPECT_EQ(NavtexJCode(static_cast<uint8_t>(b)), CNavtexJDecoder::Encode(b)) << b;
    }
    std::vector<uint8_t> bytes;
    std::u16string shown;
    ASSERT_TRUE(CNavtexJEncoder::Encode(u"A-\r\n", bytes, shown));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x23, 0x41, 0x21, 0x5D, 0x0D, 0x0A}));
    EXPECT_EQ(Narrow(shown), "Ａ−\n");
    std::size_t bad = 0;
    EXPECT_FALSE(CNavtexJEncoder::Encode(u"\u6D77\U0001F600", bytes, shown, &bad));
    EXPECT_EQ(bad, 1u);
}

TEST(Ita2, StartStopCharactersTakeSevenAndAHalfBits) {
    std::vector<uint8_t> elements;
    AppendIta2Elements(16, elements);  // E: first data bit 1, others 0
    EXPECT_EQ(elements, (std::vector<uint8_t>{0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1}));
}

double TonePower(const std::vector<int16_t>& s, std::size_t from, std::size_t count, double hz) {
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double w = 2.0 * std::numbers::pi * hz * static_cast<double>(i) / kSampleRate;
        re += s[from + i] * std::cos(w);
        im += s[from + i] * std::sin(w);
    }
    return (re * re + im * im) / (static_cast<double>(count) * count);
}

TEST(FskModulator, KeysOnesOnTheUpperToneUnlessInvertedWithOffsetApplied) {
    SynthOptions options;
    options.centreHz = 1000.0;
    options.toneOffsetHz = 25.0;
    options.leadInSeconds = 0.0;
    options.tailSeconds = 0.0;
    const Keying ones{std::vector<uint8_t>(100, 1), 1};
    const std::vector<int16_t> s = CFskModulator(options).Render(ones);
    ASSERT_EQ(s.size(), 11025u);  // 100 bits at 100 baud: one second
    EXPECT_GT(TonePower(s, 0, 11025, 1110.0), 1000.0 * TonePower(s, 0, 11025, 940.0));

    options.invert = true;
    const std::vector<int16_t> inverted = CFskModulator(options).Render(ones);
    EXPECT_GT(TonePower(inverted, 0, 11025, 940.0), 1000.0 * TonePower(inverted, 0, 11025, 1110.0));

    // A faster keying shortens the recording: 100 bits at 100.3 baud.
    options.baud = 100.3;
    EXPECT_EQ(CFskModulator(options).Render(ones).size(), 10993u);
}

TEST(FskModulator, NoiseMatchesTheRequestedSnrAndTheSeedDecidesTheRecording) {
    SynthOptions options;
    options.snrDb = 0.0;
    options.leadInSeconds = 2.0;
    options.tailSeconds = 0.0;
    const Keying keying{std::vector<uint8_t>(200, 1), 1};
    const CFskModulator modulator(options);
    const std::vector<int16_t> a = modulator.Render(keying);
    // Lead-in is noise only: its variance is sigma^2, and sigma^2 *
    // 2500 / 5512.5 equals the tone's power at 0 dB.
    double sum = 0.0;
    for (std::size_t i = 0; i < 22050; ++i) {
        sum += static_cast<double>(a[i]) * a[i];
    }
    const double noiseInBand = sum / 22050.0 * 2500.0 / 5512.5;
    const double tonePower = modulator.SignalAmplitude() * modulator.SignalAmplitude() / 2.0;
    EXPECT_NEAR(10.0 * std::log10(tonePower / noiseInBand), 0.0, 0.2);

    EXPECT_EQ(CFskModulator(options).Render(keying), a);
    options.seed = 2;
    EXPECT_NE(CFskModulator(options).Render(keying), a);

    // Even at -10 dB nothing wraps: the level leaves room for the noise.
    options.snrDb = -10.0;
    const std::vector<int16_t> loud = CFskModulator(options).Render(keying);
    std::size_t clipped = 0;
    for (const int16_t v : loud) {
        clipped += (v == 32767 || v == -32768) ? 1 : 0;
    }
    EXPECT_LT(clipped, loud.size() / 10000);
}

// What the HF channel adds: a tone held weaker than the other, a carrier
// beside the signal at its level, flat fading that moves both tones
// together, and two paths 2 ms apart that fade the tones apart (for seconds
// one is 10 dB or more below the other) while keeping the mean power.
TEST(FskModulator, ImbalanceCarriersAndMultipathAreWhatTheChannelAdds) {
    SynthOptions options;
    options.leadInSeconds = 0.0;
    options.tailSeconds = 0.0;
    options.toneImbalanceDb = 20.0;
    options.carriers = {{300.0, 25.0}};
    std::vector<uint8_t> halves(100, 1);
    halves.insert(halves.end(), 100, 0);
    const std::vector<int16_t> s = CFskModulator(options).Render(Keying{halves, 1});
    const double upper = TonePower(s, 0, 11025, 1785.0);
    const double lower = TonePower(s, 11025, 11025, 1615.0);
    EXPECT_NEAR(10.0 * std::log10(lower / upper), 20.0, 0.3);
    EXPECT_NEAR(10.0 * std::log10(TonePower(s, 0, 22050, 2000.0) / lower), 25.0, 0.3);

    // Each tone sent alone for 30 s through the same paths (same seed): the
    // ratio of their powers in 0.1 s windows, and the mean power.
    const auto ratios = [](const SynthOptions& o, double& meanPower) {
        const std::vector<int16_t> u =
            CFskModulator(o).Render(Keying{std::vector<uint8_t>(3000, 1), 1});
        const std::vector<int16_t> l =
            CFskModulator(o).Render(Keying{std::vector<uint8_t>(3000, 0), 1});
        std::vector<double> db;
        meanPower = 0.0;
        for (std::size_t from = 0; from + 1102 <= u.size(); from += 1102) {
            const double pu = TonePower(u, from, 1102, 1785.0);
            const double pl = TonePower(l, from, 1102, 1615.0);
            db.push_back(10.0 * std::log10((pu + 1e-9) / (pl + 1e-9)));
            meanPower += pu + pl;
        }
        meanPower /= static_cast<double>(db.size());
        return db;
    };
    SynthOptions clean;
    clean.leadInSeconds = 0.0;
    clean.tailSeconds = 0.0;
    clean.amplitude = 8000.0;
    double cleanPower = 0.0;
    ratios(clean, cleanPower);

    SynthOptions flat = clean;
    flat.fadingPaths = 1;
    flat.dopplerSpreadHz = 1.0;
    double flatPower = 0.0;
    for (const double db : ratios(flat, flatPower)) {
        EXPECT_LT(std::abs(db), 0.5);
    }
    SynthOptions twoPaths = flat;
    twoPaths.fadingPaths = 2;
    twoPaths.pathDelayMs = 2.0;
    double twoPathPower = 0.0;
    int apart = 0;
    const std::vector<double> db = ratios(twoPaths, twoPathPower);
    for (const double d : db) {
        apart += std::abs(d) > 10.0 ? 1 : 0;
    }
    EXPECT_GT(apart, static_cast<int>(db.size()) / 20);
    EXPECT_NEAR(10.0 * std::log10(flatPower / cleanPower), 0.0, 2.0);
    EXPECT_NEAR(10.0 * std::log10(twoPathPower / cleanPower), 0.0, 2.0);
}

TEST(WavWriter, WritesACanonicalHeaderAndReportsFailure) {
    const std::string bytes = WavBytes({1, -2, 32767}, kSampleRate);
    const std::string expected(
        "RIFF\x2A\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00"
        "\x11\x2B\x00\x00\x22\x56\x00\x00\x02\x00\x10\x00"
        "data\x06\x00\x00\x00\x01\x00\xFE\xFF\xFF\x7F",
        50);
    EXPECT_EQ(bytes, expected);

    test::ScopedTempDir dir;
    std::string error;
    ASSERT_TRUE(WriteWav("a.wav", {1, -2, 32767}, kSampleRate, &error)) << error;
    EXPECT_EQ(test::ReadFile("a.wav"), expected);
    EXPECT_FALSE(WriteWav("missing/a.wav", {1}, kSampleRate, &error));
    EXPECT_NE(error.find("missing/a.wav"), std::string::npos);
}

}  // namespace
}  // namespace wavelore::synth
