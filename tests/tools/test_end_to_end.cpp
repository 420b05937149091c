// Synthesize, then receive through the same chain as the decoder thread:
// 2048-sample buffers scaled by 0.01, the FSK demodulator, a decoder.
//
// Every recording starts with 0.2 s of digital silence, then noise: the
// decoder takes its one-time alignment at the first bit whose seven bits
// equal those 35 bits earlier, which silence gives at once, while noise can
// take seconds; a recording that starts inside the phasing is aligned by
// the phasing's order instead (see StartingInsideThePhasing...).

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "common/modes.h"
#include "dsp/amtor_decoder.h"
#include "dsp/fsk_demodulator.h"
#include "dsp/navtex_j_decoder.h"
#include "dsp/sitor_b_decoder.h"
#include "dsp/start_stop_decoder.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"
#include "synth/synthesizer.h"

namespace wavelore {
namespace {

using synth::NavtexMessage;
using synth::Recording;
using synth::SynthMode;
using synth::SynthOptions;
using test::CharacterErrorRate;
using test::Narrow;

// 215 characters of realistic traffic with letters/figures changes.
const std::vector<NavtexMessage> kMessages = {
    {u"GA23",
     u"NAV WARNING 231/24\nNORTH SEA. SHIP ADRIFT 54-12.5N 003-40.2E.\n"
     u"VESSELS REQUESTED TO KEEP 2 NM CLEAR.\n"},
    {u"EE45", u"WEATHER FORECAST 0600 UTC\nHUMBER THAMES: SW 5 TO 7, RAIN, MODERATE OR POOR.\n"},
};

SynthOptions Noisy(double snrDb, uint32_t seed) {
    SynthOptions options;
    options.snrDb = snrDb;
    options.seed = seed;
    options.silenceSeconds = 0.2;
    options.leadInSeconds = 1.5;
    return options;
}

Recording Broadcast(const SynthOptions& options, SynthMode mode = SynthMode::SitorB,
                    const std::vector<NavtexMessage>& messages = kMessages) {
    std::optional<Recording> recording =
        synth::SynthesizeBroadcast(mode, messages, options, 2.0, 1.0);
    EXPECT_TRUE(recording.has_value());
    return recording ? std::move(*recording) : Recording{};
}

// The receiver in NAVTEX mode, tuned to centre with the 170 Hz shift.
test::ChainResult ReceiveNavtex(const std::vector<int16_t>& samples, double centre = 1700.0,
                                bool invert = false, bool strict = true) {
    const ChainSettings settings{DecoderType::SitorB, static_cast<int32_t>(centre), 85, 100};
    return test::Receive(samples, settings, strict, invert);
}

bool Contains(const std::u16string& text, const std::u16string& part) {
    return text.find(part) != std::u16string::npos;
}

TEST(EndToEnd, CleanSignalDecodesExactly) {
    SynthOptions options;
    options.leadInSeconds = 1.0;  // silence: no noise at all
    const Recording recording = Broadcast(options);
    const test::ChainResult result = ReceiveNavtex(recording.samples);
    EXPECT_EQ(Narrow(result.text), Narrow(recording.expectedText));
    EXPECT_GE(result.good, 240);  // every code, shifts and line feeds included

    // Strict FEC off repairs an RX copy lost in the silence after the
    // carrier drops (all zeros lies four bits from every valid code, so the
    // DX copy is taken): the last character may come out once more.
    const test::ChainResult repaired = ReceiveNavtex(recording.samples, 1700.0, false, false);
    EXPECT_EQ(Narrow(repaired.text.substr(0, recording.expectedText.size())),
              Narrow(recording.expectedText));
    EXPECT_LE(repaired.text.size(), recording.expectedText.size() + 2);
}

// Records the first bit the decoder sees and the bit at which it takes its
// one-time alignment.
class CWatchedSitorBDecoder : public CSitorBDecoder {
  public:
    CWatchedSitorBDecoder() : CSitorBDecoder(kSampleRate, 100) {}
    void HandleBit(int bit, std::u16string& out) override {
        if (m_bits == 0) {
            m_firstBit = bit;
        }
        const bool wasAcquired = Acquired();
        CSitorBDecoder::HandleBit(bit, out);
        if (!wasAcquired && Acquired()) {
            m_acquiredAt = m_bits;
        }
        ++m_bits;
    }
    int m_firstBit = -1;
    int m_acquiredAt = -1;
    int m_bits = 0;
};

// A recording that starts straight into the transmission, wherever in the
// phasing: the phasing never repeats itself 35 bits later, so the first
// equal pair would be the first character's, one slot off, and the hunt
// after two slot errors would lose the header. The phasing's order (the
// repetition signal in the DX position, alpha in the RX position) aligns
// the decoder before the message instead.
TEST(EndToEnd, StartingInsideThePhasingKeepsTheHeader) {
    SynthOptions options;
    options.leadInSeconds = 0.0;
    options.snrDb = 20.0;
    const Recording straight = Broadcast(options);
    {
        CFskDemodulator demodulator(kSampleRate, 1785, 1615, 100);
        CWatchedSitorBDecoder decoder;
        const std::u16string text = test::RunChain(straight.samples, demodulator, decoder).text;
        EXPECT_EQ(decoder.m_firstBit, 1);
        EXPECT_GT(decoder.m_acquiredAt, 0);
        EXPECT_LT(decoder.m_acquiredAt, 200);  // within the 2 s (200 bits) of phasing
        EXPECT_EQ(Narrow(text.substr(0, straight.expectedText.size())),
                  Narrow(straight.expectedText));
    }
    // Started at 51 places in 3 s of phasing before a short message, down
    // to a quarter of a second before it; and a recording of 12 s of
    // phasing first.
    options.snrDb.reset();
    const std::vector<NavtexMessage> message = {{u"UK51", u"GALE WARNING\n"}};
    const std::optional<Recording> phasing =
        synth::SynthesizeBroadcast(SynthMode::SitorB, message, options, 3.0);
    ASSERT_TRUE(phasing);
    const std::u16string expected = phasing->expectedText;
    ASSERT_EQ(Narrow(expected.substr(0, 10)), "ZCZC UK51\r");
    const std::size_t last = 11025 * 11 / 4;
    for (std::size_t i = 0; i <= 50; ++i) {
        const std::size_t offset = last * i / 50;
        const std::vector<int16_t> cut(phasing->samples.begin() + offset, phasing->samples.end());
        EXPECT_EQ(Narrow(ReceiveNavtex(cut).text), Narrow(expected)) << "from sample " << offset;
    }
    const std::optional<Recording> longPhasing =
        synth::SynthesizeBroadcast(SynthMode::SitorB, message, options, 12.0);
    ASSERT_TRUE(longPhasing);
    EXPECT_EQ(Narrow(ReceiveNavtex(longPhasing->samples).text), Narrow(expected));

    // Silence first aligns at once, as before.
    options.silenceSeconds = 0.2;
    const Recording silenceFirst = Broadcast(options);
    CFskDemodulator demodulator(kSampleRate, 1785, 1615, 100);
    CWatchedSitorBDecoder decoder;
    const std::u16string text = test::RunChain(silenceFirst.samples, demodulator, decoder).text;
    EXPECT_EQ(decoder.m_acquiredAt, 0);
    EXPECT_EQ(Narrow(text), Narrow(silenceFirst.expectedText));
}

// Character error rate, mean of four seeds, Strict FEC on. Measured over
// 40 seeds (bench/sweep_error_rates measures such rates), means of four:
//   +10 dB 0 .. 0.005, +5 dB 0 .. 0.004, 0 dB 0 .. 0.028,
//   -3 dB 0.046 .. 0.128 (a lost letters shift turns a line into figures).
// At +10 and +5 dB the errors are only stray characters decoded from the
// noise before and after the transmission: the traffic itself is exact.
TEST(EndToEnd, CharacterErrorRateStaysInsideTheMeasuredBands) {
    struct Band {
        double snr;
        double low;
        double high;
    };
    for (const Band band : {Band{10.0, 0.0, 0.01}, Band{5.0, 0.0, 0.01}, Band{0.0, 0.0, 0.05},
                            Band{-3.0, 0.02, 0.20}}) {
        double sum = 0.0;
        for (uint32_t seed = 1; seed <= 4; ++seed) {
            const Recording recording = Broadcast(Noisy(band.snr, seed));
            const test::ChainResult result = ReceiveNavtex(recording.samples);
            sum += CharacterErrorRate(result.text, recording.expectedText);
            if (band.snr >= 5.0) {
                EXPECT_TRUE(Contains(result.text, recording.expectedText))
                    << band.snr << " dB seed " << seed << ":\n"
                    << Narrow(result.text);
            }
        }
        const double mean = sum / 4.0;
        EXPECT_GE(mean, band.low) << band.snr << " dB";
        EXPECT_LE(mean, band.high) << band.snr << " dB";
    }
}

// A path that puts the transmitter off tune, off speed, drifting or fading,
// or (HF) fading by several paths or holding one tone weaker.
struct Path {
    const char* name;
    double snr;
    double offset = 0.0;
    double baud = 100.0;
    double drift = 0.0;
    double fadeDb = 0.0;
    int paths = 0;
    double delayMs = 0.0;
    double spreadHz = 0.0;
    double imbalanceDb = 0.0;
};

// The broadcast over the path, with the noise of the seed.
Recording Broadcast(const Path& path, uint32_t seed) {
    SynthOptions options = Noisy(path.snr, seed);
    options.toneOffsetHz = path.offset;
    options.baud = path.baud;
    options.driftHzPerMinute = path.drift;
    options.fadeDepthDb = path.fadeDb;
    options.fadingPaths = path.paths;
    options.pathDelayMs = path.delayMs;
    options.dopplerSpreadHz = path.spreadHz;
    options.toneImbalanceDb = path.imbalanceDb;
    return Broadcast(options);
}

// Each path's broadcast (noise seed given) through a chain, which must
// print the whole text.
template <typename Receive>
void ExpectWholeThrough(std::initializer_list<Path> paths, uint32_t seed, Receive receive) {
    for (const Path& path : paths) {
        const Recording recording = Broadcast(path, seed);
        const test::ChainResult result = receive(recording.samples);
        EXPECT_TRUE(Contains(result.text, recording.expectedText)) << path.name << ":\n"
                                                                   << Narrow(result.text);
    }
}

TEST(EndToEnd, ToneOffsetBaudErrorDriftAndFadingStillDecode) {
    ExpectWholeThrough({Path{"+25 Hz", 10.0, 25.0}, Path{"-25 Hz", 10.0, -25.0},
                        Path{"100.3 baud", 10.0, 0.0, 100.3}, Path{"99.7 baud", 10.0, 0.0, 99.7},
                        Path{"drift 20 Hz/min, 6 dB fading", 10.0, 0.0, 100.0, 20.0, 6.0}},
                       3, [](const std::vector<int16_t>& s) { return ReceiveNavtex(s); });
}

TEST(EndToEnd, InvertedSenseDecodesOnlyWithInvertOn) {
    SynthOptions options = Noisy(10.0, 5);
    options.invert = true;
    const Recording recording = Broadcast(options);
    EXPECT_TRUE(
        Contains(ReceiveNavtex(recording.samples, 1700.0, true).text, recording.expectedText));
    const test::ChainResult wrong = ReceiveNavtex(recording.samples, 1700.0, false);
    EXPECT_GT(CharacterErrorRate(wrong.text, recording.expectedText), 0.9);
}

// With Strict FEC off the receiver repairs single bad copies, and noise
// outside the transmission decodes into stray characters.
TEST(EndToEnd, StrictFecOffDecodesTrafficAndTurnsNoiseIntoStrayCharacters) {
    SynthOptions options = Noisy(10.0, 1);
    options.leadInSeconds = 4.0;
    const Recording recording = Broadcast(options);
    const test::ChainResult result = ReceiveNavtex(recording.samples, 1700.0, false, false);
    EXPECT_TRUE(Contains(result.text, recording.expectedText)) << Narrow(result.text);
    EXPECT_GT(result.text.size(), recording.expectedText.size() + 3) << Narrow(result.text);
}

// AMTOR prints both copies of every character as they come, each in the
// shift of its moment; it frames characters from the phasing (alpha then
// the repetition signal), so after whatever the noise printed, the
// transmission's text follows exactly.
TEST(EndToEnd, AmtorPrintsBothCopiesFramedByThePhasing) {
    const Recording recording = Broadcast(Noisy(10.0, 7), SynthMode::Amtor);
    CFskDemodulator demodulator(kSampleRate, 1785, 1615, 100);
    CAmtorDecoder decoder(kSampleRate, 100);
    const std::u16string text = test::RunChain(recording.samples, demodulator, decoder).text;
    EXPECT_TRUE(Contains(text, recording.expectedText)) << Narrow(text);
    // "ZCZC GA23": each RX copy trails its DX copy by two characters, and
    // those of G and A arrive after the figures shift, as & and -.
    EXPECT_EQ(Narrow(recording.expectedText.substr(0, 20)), "ZCZZCC ZGCA &2-3\r\n23");
}

TEST(EndToEnd, NavtexJDecodesJapaneseTextInFullwidthFrames) {
    const std::vector<NavtexMessage> messages = {
        {u"JA123",
         u"\u672C\u65E5\uFF11\uFF12\u6642\u3000\u6D25\u8EFD\u6D77\u5CE1\n"
         u"\u6FC3\u9727\u8B66\u5831\u3002\u822A\u884C\u6CE8\u610F\u3002\n"},
    };
    const Recording recording = Broadcast(Noisy(10.0, 2), SynthMode::NavtexJ, messages);
    CFskDemodulator demodulator(kSampleRate, 1785, 1615, 100);
    CNavtexJDecoder decoder(kSampleRate, 100);
    const std::u16string text = test::RunChain(recording.samples, demodulator, decoder).text;
    EXPECT_EQ(Narrow(text), Narrow(recording.expectedText));
    EXPECT_EQ(Narrow(recording.expectedText),
              "\uFF3A\uFF23\uFF3A\uFF23\u3000\uFF2A\uFF21\uFF11\uFF12\uFF13\n"
              "\u672C\u65E5\uFF11\uFF12\u6642\u3000\u6D25\u8EFD\u6D77\u5CE1\n"
              "\u6FC3\u9727\u8B66\u5831\u3002\u822A\u884C\u6CE8\u610F\u3002\n"
              "\uFF2E\uFF2E\uFF2E\uFF2E\n");
}

// The decoder thread runs demodulator and decoder at twice the baud for
// RTTY, so the synchroniser delivers two samples per bit.
TEST(EndToEnd, RttyDecodesAtTheUsualSpeedsAndShifts) {
    struct Case {
        double baud;
        double shift;
    };
    for (const Case c :
         {Case{50.0, 170.0}, Case{45.45, 170.0}, Case{50.0, 450.0}, Case{50.0, 850.0}}) {
        SynthOptions options = Noisy(10.0, 4);
        options.baud = c.baud;
        options.shiftHz = c.shift;
        synth::CTransmission transmission(SynthMode::Rtty, c.baud);
        transmission.AddPhasing(1.0);
        ASSERT_TRUE(transmission.AddMessage(
            {u"ZA01", u"RYRYRYRY\nGALE WARNING: NW 8, GUSTS 45 KT (AREA 3/4)."}));
        const Recording recording = synth::Synthesize(transmission, options);
        const int32_t doubled = 2 * static_cast<int32_t>(c.baud);
        const double half = c.shift / 2.0;
        CFskDemodulator demodulator(kSampleRate, 1700.0 + half, 1700.0 - half, doubled);
        CStartStopDecoder decoder(kSampleRate, static_cast<uint32_t>(doubled));
        const std::u16string text = test::RunChain(recording.samples, demodulator, decoder).text;
        EXPECT_TRUE(Contains(text, recording.expectedText))
            << c.baud << " baud " << c.shift << " Hz:\n"
            << Narrow(text);
    }
}

// The enhanced chain, on the same recordings as the bands above, at -5 dB
// where the hard chain loses a quarter of the text: measured over 20 seeds
// (bench/sweep_error_rates), 1 % errors lie below -6.5 dB.
test::ChainResult ReceiveEnhanced(const std::vector<int16_t>& samples, bool strict = true) {
    ChainSettings settings;
    settings.enhanced = true;
    return test::Receive(samples, settings, strict);
}

TEST(EndToEnd, EnhancedChainDecodesWhereTheHardChainFails) {
    double hard = 0.0;
    double enhanced = 0.0;
    int exact = 0;
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        const Recording recording = Broadcast(Noisy(-5.0, seed));
        hard += CharacterErrorRate(ReceiveNavtex(recording.samples).text, recording.expectedText);
        const test::ChainResult result = ReceiveEnhanced(recording.samples);
        enhanced += CharacterErrorRate(result.text, recording.expectedText);
        exact += result.text == recording.expectedText ? 1 : 0;
        EXPECT_GT(result.good, 200);
    }
    EXPECT_GT(hard / 4.0, 0.1);
    EXPECT_LE(enhanced / 4.0, 0.005);
    EXPECT_GE(exact, 3);
}

// Tone offsets the AFC must pull in and a transmitter off speed and
// drifting, each at -4 dB, and slow fading that takes a -2 dB signal down
// to -5 dB: every message whole.
TEST(EndToEnd, EnhancedChainFollowsOffsetSpeedDriftAndFading) {
    ExpectWholeThrough({Path{"+35 Hz", -4.0, 35.0}, Path{"-35 Hz", -4.0, -35.0},
                        Path{"99.7 baud, drift 20 Hz/min", -4.0, 0.0, 99.7, 20.0},
                        Path{"100.3 baud, drift -20 Hz/min", -4.0, 0.0, 100.3, -20.0},
                        Path{"3 dB fading", -2.0, 0.0, 100.0, 0.0, 3.0}},
                       11, [](const std::vector<int16_t>& s) { return ReceiveEnhanced(s); });
}

// Night reception: ground and sky wave, two Rayleigh-fading paths 1 and 2 ms
// apart, fade the tones apart, for seconds one 10 to 20 dB below the other;
// and a tone held 20 dB below the other. Each tone judged against its own
// levels keeps every message complete, with at most 0.5 % errors inside
// them.
TEST(EndToEnd, EnhancedChainDecodesSelectiveFadingAndOneToneFarDown) {
    Path twoPathsNear{"two paths 1 ms, 0.5 Hz", 10.0};
    twoPathsNear.paths = 2;
    twoPathsNear.delayMs = 1.0;
    twoPathsNear.spreadHz = 0.5;
    Path twoPathsFar{"two paths 2 ms, 1 Hz", 10.0};
    twoPathsFar.paths = 2;
    twoPathsFar.delayMs = 2.0;
    twoPathsFar.spreadHz = 1.0;
    Path imbalance{"upper tone 20 dB down", 20.0};
    imbalance.imbalanceDb = 20.0;
    for (const Path& c : {twoPathsNear, twoPathsFar, imbalance}) {
        test::MessageScore score;
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            const Recording recording = Broadcast(c, seed);
            score += test::ScoreMessages(ReceiveEnhanced(recording.samples).text,
                                         recording.expectedText);
        }
        EXPECT_EQ(score.complete, score.messages) << c.name;
        EXPECT_LE(score.Rate(), 0.005) << c.name;
        EXPECT_EQ(score.outside, 0u) << c.name;
    }
}

// A coast station 300 Hz from the one received and 25 dB stronger: the
// channel filter keeps it out, and the text is exact, on either side.
TEST(EndToEnd, EnhancedChainIgnoresAStrongCarrier300HzAway) {
    for (const double offset : {300.0, -300.0}) {
        SynthOptions options = Noisy(10.0, 4);
        options.carriers = {{offset, 25.0}};
        const Recording recording = Broadcast(options);
        EXPECT_EQ(Narrow(ReceiveEnhanced(recording.samples).text), Narrow(recording.expectedText))
            << offset << " Hz";
    }
}

// Some stations go on sending idle alpha after the end of an emission. Read
// one to six bits off, alpha is another valid word (A, K, V, O, Z or a line
// end) in both copies, so a decoder that takes up the idle run as an
// emission prints a few of them after every message. Two emissions, each
// ending in three seconds of idle: exactly their text, both times.
TEST(EndToEnd, EnhancedChainPrintsNothingOfTheIdleSignal) {
    std::vector<int16_t> samples;
    std::u16string expected;
    for (uint32_t seed = 1; seed <= 2; ++seed) {
        std::optional<synth::CTransmission> emission =
            synth::MakeBroadcast(SynthMode::SitorB, {kMessages[seed - 1]}, 2.0, 1.0);
        ASSERT_TRUE(emission);
        emission->SetIdleAfterEnd(3.0);
        const Recording recording = synth::Synthesize(*emission, Noisy(20.0, seed));
        samples.insert(samples.end(), recording.samples.begin(), recording.samples.end());
        expected += recording.expectedText;
    }
    EXPECT_EQ(Narrow(ReceiveEnhanced(samples).text), Narrow(expected));
    EXPECT_EQ(Narrow(ReceiveEnhanced(samples, false).text), Narrow(expected));
}

// The squelch: a minute of noise prints nothing, even with Strict FEC off.
TEST(EndToEnd, EnhancedChainPrintsNothingFromNoise) {
    SynthOptions options = Noisy(0.0, 21);
    options.leadInSeconds = 60.0;
    Recording noise = synth::Synthesize(synth::CTransmission(SynthMode::SitorB), options);
    noise.samples.resize(noise.keyedStart);
    EXPECT_EQ(Narrow(ReceiveEnhanced(noise.samples, true).text), "");
    EXPECT_EQ(Narrow(ReceiveEnhanced(noise.samples, false).text), "");
}

}  // namespace
}  // namespace wavelore
