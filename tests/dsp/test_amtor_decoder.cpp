#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/modes.h"
#include "dsp/amtor_decoder.h"
#include "dsp/ccir476_table.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"
#include "synth/synthesizer.h"

namespace wavelore {
namespace {

using test::Feed;
using test::Narrow;

constexpr char kRealign[] = "11110000110011";

// The seven bits of a CCIR 476 code in order of reception (bit 0 first).
void AppendCode(std::vector<int>& bits, uint32_t code) {
    for (int i = 0; i < 7; ++i) {
        bits.push_back(static_cast<int>((code >> i) & 1));
    }
}

void AppendPattern(std::vector<int>& bits, const char* pattern) {
    for (const char* p = pattern; *p != 0; ++p) {
        bits.push_back(*p == '1' ? 1 : 0);
    }
}

uint32_t CodeOf(char c, bool figures) {
    const char* table = figures ? kCcir476Figures : kCcir476Letters;
    for (uint32_t code = 0; code < 128; ++code) {
        if (table[code] == c && code != 0x6A) {
            return code;
        }
    }
    ADD_FAILURE() << "no code for " << c;
    return 0;
}

TEST(AmtorDecoder, RealignmentPatternAnywhereFramesTheNextBitAndForcesLetters) {
    std::mt19937 rng(7);
    for (int junk = 0; junk < 30; ++junk) {
        CAmtorDecoder decoder(11025, 100);
        std::vector<int> noise;
        // Leave the decoder in figures with a misaligned bit counter.
        AppendCode(noise, kCcirFigures);
        for (int i = 0; i < junk; ++i) {
            noise.push_back(static_cast<int>(rng() & 1));
        }
        Feed(decoder, noise);

        std::vector<int> pattern;
        AppendPattern(pattern, kRealign);
        Feed(decoder, pattern);
        EXPECT_TRUE(decoder.Letters());

        std::vector<int> text;
        for (char c : std::string("QUICK FOX")) {
            AppendCode(text, CodeOf(c, false));
        }
        EXPECT_EQ(Narrow(Feed(decoder, text)), "QUICK FOX") << "junk bits " << junk;
    }
}

TEST(AmtorDecoder, ShiftsCarriageReturnAndInvalidCodes) {
    CAmtorDecoder decoder(11025, 100);
    std::vector<int> bits;
    AppendPattern(bits, kRealign);
    AppendCode(bits, CodeOf('A', false));
    AppendCode(bits, kCcirFigures);
    AppendCode(bits, CodeOf('A', false));  // '-' in figures
    AppendCode(bits, 0x00);                // invalid: dropped
    AppendCode(bits, 0x7F);                // invalid: dropped
    AppendCode(bits, kCcirCarriageReturn);
    AppendCode(bits, kCcirLetters);
    AppendCode(bits, CodeOf('A', false));
    AppendCode(bits, kCcirPhasing1);  // no text
    EXPECT_EQ(Narrow(Feed(decoder, bits)), "A-\r\nA");
    EXPECT_EQ(decoder.GoodCount(), 0);
    EXPECT_EQ(decoder.ErrorCount(), 0);
}

// A SITOR-B transmission as sent: DX and RX slots alternate and the RX copy
// of a character follows its DX copy five slots later; idle slots carry the
// phasing codes.
std::vector<int> DxRxTransmission(const std::string& text) {
    std::vector<uint32_t> chars;
    for (char c : text) {
        chars.push_back(CodeOf(c, false));
    }
    std::vector<int> bits;
    AppendPattern(bits, kRealign);
    const size_t slots = 2 * chars.size() + 6;
    for (size_t slot = 0; slot < slots; ++slot) {
        if (slot % 2 == 0) {
            const size_t k = slot / 2;
            AppendCode(bits, k < chars.size() ? chars[k] : kCcirPhasing1);
        } else {
            const bool has = slot >= 5 && (slot - 5) / 2 < chars.size();
            AppendCode(bits, has ? chars[(slot - 5) / 2] : kCcirPhasing2);
        }
    }
    return bits;
}

TEST(AmtorDecoder, DxRxTransmissionPrintsEveryCharacterTwiceInterleaved) {
    CAmtorDecoder decoder(11025, 100);
    // Slots: DX A, RX -, DX B, RX -, DX C, RX A, DX D, RX B, DX E, RX C,
    // DX -, RX D, DX -, RX E.
    EXPECT_EQ(Narrow(Feed(decoder, DxRxTransmission("ABCDE"))), "ABCADBECDE");
}

TEST(AmtorDecoder, SynthesizedBroadcastPrintsBothCopies) {
    const std::vector<synth::NavtexMessage> messages = {
        {u"GA23", u"GALE WARNING 045\r\nWIND SW 8 TO 9, VIS 2NM.\r\n"}};
    synth::SynthOptions options;
    options.snrDb = 15.0;
    options.toneOffsetHz = 8.0;
    const auto recording = synth::SynthesizeBroadcast(synth::SynthMode::Amtor, messages, options);
    ASSERT_TRUE(recording.has_value());
    CAmtorDecoder decoder(kSampleRate, 100);
    const std::u16string text = test::RunChain(recording->samples, decoder).text;
    // Noise before the carrier may print a few characters of its own.
    EXPECT_NE(text.find(recording->expectedText), std::u16string::npos) << Narrow(text);
    EXPECT_LE(text.size(), recording->expectedText.size() + 10) << Narrow(text);
}

TEST(AmtorDecoder, RandomBitsNeverCrashAndGiveOnlyTableText) {
    CAmtorDecoder decoder(11025, 100);
    std::mt19937 rng(1);
    std::u16string out;
    for (int i = 0; i < 200000; ++i) {
        decoder.HandleBit(static_cast<int>(rng() & 1), out);
    }
    EXPECT_FALSE(out.empty());
    for (char16_t c : out) {
        ASSERT_LT(c, 0x80);
    }
    EXPECT_EQ(decoder.GoodCount(), 0);
    EXPECT_EQ(decoder.ErrorCount(), 0);
}

}  // namespace
}  // namespace wavelore
