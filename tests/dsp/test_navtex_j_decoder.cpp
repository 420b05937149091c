#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/modes.h"
#include "dsp/jis_table.h"
#include "dsp/navtex_j_decoder.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"
#include "synth/synthesizer.h"

namespace wavelore {
namespace {

using test::Feed;
using test::Narrow;

constexpr uint32_t kIdle = 0xFFFF;  // a slot without a character: phasing

// The JIS bytes of a text, CR LF as its own byte pair.
std::vector<uint32_t> JisBytes(const std::u16string& text) {
    std::vector<uint32_t> bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            bytes.push_back(0x0D);
            bytes.push_back(0x0A);
            ++i;  // the line feed
            continue;
        }
        uint16_t jis = 0;
        for (const JisRow& row : kJisTable) {
            if (row.unicode == text[i] && row.jis > 0xFF) {
                jis = row.jis;
                break;
            }
        }
        EXPECT_NE(jis, 0) << "no JIS code for U+" << std::hex << static_cast<int>(text[i]);
        bytes.push_back(jis >> 8);
        bytes.push_back(jis & 0x7F);
    }
    return bytes;
}

void AppendCode(std::vector<int>& bits, uint32_t code) {
    for (int i = 0; i < 10; ++i) {
        bits.push_back(static_cast<int>((code >> i) & 1));
    }
}

// Ten-bit slots as sent: DX and RX alternate, the RX copy five slots after
// its DX copy; a phasing preamble and tail around the bytes. dxCodes and
// rxCodes, when given, override the code sent for byte i.
struct Transmission {
    std::vector<uint32_t> bytes;
    int preamble = 8;
    int tail = 10;
    std::vector<std::pair<size_t, uint32_t>> dxOverride;
    std::vector<std::pair<size_t, uint32_t>> rxOverride;

    std::vector<int> Bits() const {
        std::vector<uint32_t> chars(preamble, kIdle);
        chars.insert(chars.end(), bytes.begin(), bytes.end());
        chars.insert(chars.end(), tail, kIdle);
        auto code = [&](size_t k, bool dx) {
            if (chars[k] == kIdle) {
                return dx ? CNavtexJDecoder::kPhasingDx : CNavtexJDecoder::kPhasingRx;
            }
            const size_t byte = k - preamble;
            for (const auto& [i, c] : dx ? dxOverride : rxOverride) {
                if (i == byte) {
                    return c;
                }
            }
            return CNavtexJDecoder::Encode(chars[k]);
        };
        std::vector<int> bits;
        for (size_t slot = 0; slot < 2 * chars.size(); ++slot) {
            if (slot % 2 == 0) {
                AppendCode(bits, code(slot / 2, true));
            } else if (slot < 5) {
                AppendCode(bits, CNavtexJDecoder::kPhasingRx);
            } else {
                AppendCode(bits, code((slot - 5) / 2, false));
            }
        }
        return bits;
    }
};

TEST(NavtexJDecoder, TenBitValidityAndEncoding) {
    int valid = 0;
    for (uint32_t code = 0; code < 1024; ++code) {
        valid += CNavtexJDecoder::IsValid(code) ? 1 : 0;
    }
    EXPECT_EQ(valid, 128) << "one valid code per seven-bit byte";
    for (uint32_t byte = 0; byte < 128; ++byte) {
        const uint32_t code = CNavtexJDecoder::Encode(byte);
        EXPECT_TRUE(CNavtexJDecoder::IsValid(code));
        EXPECT_EQ(code & 0x7F, byte);
        for (int bit = 0; bit < 10; ++bit) {
            EXPECT_FALSE(CNavtexJDecoder::IsValid(code ^ (1u << bit))) << "single error detected";
        }
    }
    EXPECT_TRUE(CNavtexJDecoder::IsValid(CNavtexJDecoder::kPhasingDx));
    EXPECT_TRUE(CNavtexJDecoder::IsValid(CNavtexJDecoder::kPhasingRx));
    // Bit 9 is the least significant check bit: 0x19 has three 1 bits, so
    // four zeros, 100 in bits 7..9.
    EXPECT_EQ(CNavtexJDecoder::Encode(0x19), CNavtexJDecoder::kPhasingDx);
}

TEST(NavtexJDecoder, JapaneseTextDecodesWhateverTheStartingBit) {
    const std::u16string text = u"ＺＣＺＣ　ＦＡ１２\r\n海上保安庁　あいう、アイウ。\r\n";
    Transmission tx;
    tx.bytes = JisBytes(text);
    const std::vector<int> bits = tx.Bits();
    // CR LF becomes a single line feed.
    const std::u16string expected = u"ＺＣＺＣ　ＦＡ１２\n海上保安庁　あいう、アイウ。\n";
    for (int offset = 0; offset < 20; ++offset) {
        CNavtexJDecoder decoder(11025, 100);
        const std::vector<int> tail(bits.begin() + offset, bits.end());
        EXPECT_EQ(Narrow(Feed(decoder, tail)), Narrow(expected)) << "offset " << offset;
        EXPECT_EQ(decoder.GoodCount(), static_cast<int32_t>(expected.size()));
    }
}

TEST(NavtexJDecoder, PhasingPreambleSlotsAreGood) {
    Transmission tx;
    tx.preamble = 12;
    tx.tail = 0;
    const std::vector<int> bits = tx.Bits();
    CNavtexJDecoder decoder(11025, 100);
    std::u16string out;
    size_t firstAcquired = bits.size();
    for (size_t i = 0; i < bits.size(); ++i) {
        decoder.HandleBit(bits[i], out);
        if (decoder.Acquired() && firstAcquired == bits.size()) {
            firstAcquired = i;
            decoder.ResetCounts();
        }
    }
    ASSERT_LT(firstAcquired, bits.size());
    EXPECT_TRUE(decoder.Acquired());
    EXPECT_EQ(decoder.ErrorCount(), 0) << "phasing slots are good slots";
    EXPECT_TRUE(out.empty());
}

TEST(NavtexJDecoder, PhasingPairForcesTheSlotPhase) {
    // Bit i sees dx = bits i-63..i-54 and rx = bits i-13..i-4. Acquire on
    // an exact pair at bit 63; the next slot boundary (bit 73), which the
    // alternation would skip, holds the phasing pair and must be read; the
    // one after (bit 83) holds garbage and must then be skipped.
    constexpr int kAcquire = 63;
    std::vector<int> bits(kAcquire + 21, 0);
    auto put = [&](int first, uint32_t code) {
        for (int k = 0; k < 10; ++k) {
            bits[first + k] = static_cast<int>((code >> k) & 1);
        }
    };
    const uint32_t c = CNavtexJDecoder::Encode(0x24);  // no shift of it is valid
    put(kAcquire - 63, c);
    put(kAcquire - 13, c);
    put(kAcquire + 10 - 63, CNavtexJDecoder::kPhasingDx);
    put(kAcquire + 10 - 13, CNavtexJDecoder::kPhasingRx);
    put(kAcquire + 20 - 63, 0x3FF);
    put(kAcquire + 20 - 13, 0x155);

    CNavtexJDecoder decoder(11025, 100);
    std::u16string out;
    for (int i = 0; i < kAcquire; ++i) {
        decoder.HandleBit(bits[i], out);
        ASSERT_FALSE(decoder.Acquired()) << i;
    }
    decoder.HandleBit(bits[kAcquire], out);
    ASSERT_TRUE(decoder.Acquired());
    EXPECT_FALSE(decoder.Phase()) << "the next slot is the other copy";
    decoder.ResetCounts();
    for (int i = kAcquire + 1; i <= kAcquire + 10; ++i) {
        decoder.HandleBit(bits[i], out);
    }
    EXPECT_FALSE(decoder.Phase()) << "the phasing slot was read, then the phase toggled";
    for (int i = kAcquire + 11; i <= kAcquire + 20; ++i) {
        decoder.HandleBit(bits[i], out);
    }
    EXPECT_EQ(decoder.ErrorCount(), 0) << "the garbage slot was skipped";
    EXPECT_TRUE(decoder.Acquired());
}

TEST(NavtexJDecoder, StrictOffRepairsOneBadCopyAndCountsAnError) {
    const std::u16string text = u"日本の海";
    const std::vector<uint32_t> bytes = JisBytes(text);
    for (bool dxBad : {true, false}) {
        Transmission tx;
        tx.bytes = bytes;
        const uint32_t broken = CNavtexJDecoder::Encode(bytes[3]) ^ 0x004;
        (dxBad ? tx.dxOverride : tx.rxOverride).push_back({3, broken});
        const std::vector<int> bits = tx.Bits();

        CNavtexJDecoder lenient(11025, 100);
        lenient.SetStrictFec(false);
        EXPECT_EQ(Narrow(Feed(lenient, bits)), Narrow(text)) << "dx bad " << dxBad;

        CNavtexJDecoder strict(11025, 100);
        const std::u16string strictText = Feed(strict, bits);
        EXPECT_NE(Narrow(strictText), Narrow(text));

        // Same stream without the damage, to separate the acquisition's
        // errors from the repaired slot's.
        Transmission clean;
        clean.bytes = bytes;
        CNavtexJDecoder reference(11025, 100);
        reference.SetStrictFec(false);
        Feed(reference, clean.Bits());
        EXPECT_EQ(lenient.ErrorCount(), reference.ErrorCount() + 1);
        EXPECT_GT(strict.ErrorCount(), reference.ErrorCount());
    }

    // Two bad copies cannot be repaired: the slot fails.
    Transmission both;
    both.bytes = bytes;
    both.dxOverride.push_back({3, CNavtexJDecoder::Encode(bytes[3]) ^ 0x001});
    both.rxOverride.push_back({3, CNavtexJDecoder::Encode(bytes[3]) ^ 0x010});
    CNavtexJDecoder decoder(11025, 100);
    decoder.SetStrictFec(false);
    EXPECT_NE(Narrow(Feed(decoder, both.Bits())), Narrow(text));
}

TEST(NavtexJDecoder, UnknownBytePairSlidesThePairingByOneByte) {
    // A stray byte before a character: (0x7F, 0x24) is no JIS character,
    // so 0x24 starts the next pair and 0x24 0x22 gives HIRAGANA A.
    Transmission tx;
    tx.bytes = {0x7F, 0x24, 0x22, 0x24, 0x24};
    CNavtexJDecoder decoder(11025, 100);
    EXPECT_EQ(Narrow(Feed(decoder, tx.Bits())), Narrow(u"あい"));
}

TEST(NavtexJDecoder, TextAppearsFiveAcceptedCharactersLate) {
    // With a tail of T idle slots, T - 3 phasing pairs are accepted after
    // the last byte (a slot is read four bits after it ends); each pushes
    // one more byte out of the history.
    const std::vector<std::pair<int, std::u16string>> cases = {
        {3, u"あい"}, {7, u"あいうえ"}, {8, u"あいうえお"}};
    for (const auto& [tail, expected] : cases) {
        Transmission tx;
        tx.bytes = JisBytes(u"あいうえお");
        tx.tail = tail;
        CNavtexJDecoder decoder(11025, 100);
        EXPECT_EQ(Narrow(Feed(decoder, tx.Bits())), Narrow(expected)) << "tail " << tail;
    }
}

TEST(NavtexJDecoder, SynthesizedBroadcastDecodesToTheSameText) {
    const std::vector<synth::NavtexMessage> messages = {
        {u"JA123", u"海上警報　第５号\r\n日本海中部　低気圧　９９６ヘクトパスカル\r\n"},
        {u"JB007", u"ＮＯ．１２　航行警報。ブイ流失、注意せよ。"}};
    struct Case {
        double snr;
        double offset;
        double baud;
        bool strict;
    };
    for (const Case& c :
         {Case{20, 0, 100, true}, Case{6, 15, 100.3, true}, Case{3, -10, 99.8, false}}) {
        synth::SynthOptions options;
        options.snrDb = c.snr;
        options.toneOffsetHz = c.offset;
        options.baud = c.baud;
        const auto recording =
            synth::SynthesizeBroadcast(synth::SynthMode::NavtexJ, messages, options);
        ASSERT_TRUE(recording.has_value());
        CNavtexJDecoder decoder(kSampleRate, 100);
        decoder.SetStrictFec(c.strict);
        const std::u16string text = test::RunChain(recording->samples, decoder).text;
        EXPECT_EQ(Narrow(text), Narrow(recording->expectedText)) << c.snr << " dB";
        EXPECT_EQ(decoder.GoodCount(), static_cast<int32_t>(text.size()));
    }
}

TEST(NavtexJDecoder, RandomBitsNeverCrash) {
    for (bool strict : {true, false}) {
        CNavtexJDecoder decoder(11025, 100);
        decoder.SetStrictFec(strict);
        std::mt19937 rng(strict ? 3 : 4);
        std::u16string out;
        for (int i = 0; i < 300000; ++i) {
            decoder.HandleBit(static_cast<int>(rng() & 1), out);
        }
        EXPECT_EQ(decoder.GoodCount(), static_cast<int32_t>(out.size()));
        EXPECT_GT(decoder.ErrorCount(), 0);
    }
}

}  // namespace
}  // namespace wavelore
