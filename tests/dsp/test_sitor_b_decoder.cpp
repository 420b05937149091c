// SITOR-B FEC decoding from bit streams: agreeing copies, repairs with
// strict FEC off and on, phasing, loss of alignment, shifts and line ends.

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "dsp/ccir476_table.h"
#include "dsp/sitor_b_decoder.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"
#include "support/reference_dsp.h"

namespace wavelore {
namespace {

constexpr int kPhasing = 8;

uint8_t Letter(char c) {
    for (uint8_t code = 0; code < 128; ++code) {
        if (Ccir476IsValid(code) && kCcir476Letters[code] == c) {
            return code;
        }
    }
    ADD_FAILURE() << "no code for " << c;
    return 0;
}

std::vector<uint8_t> Letters(const std::string& text) {
    std::vector<uint8_t> codes;
    for (char c : text) {
        codes.push_back(Letter(c));
    }
    return codes;
}

// A transmission of codes that can be damaged copy by copy before sending.
//
// The decoder aligns itself at the first bit whose seven newest bits equal
// the seven 35 bits earlier; while its window is still all zeros a first
// bit of 0 does that at once. So the stream starts with a 0 bit and one
// phasing slot in the RX position: the slots after it are then aligned
// exactly, RX copies on the evaluated phase, and nothing is lost to
// acquisition.
class Transmission {
  public:
    explicit Transmission(std::vector<uint8_t> codes) : m_codes(std::move(codes)) {
        m_bits = {0, 1, 1, 1, 1, 0, 0, 0};
        const std::vector<int> body = reference::SitorBBits(m_codes, kPhasing);
        m_bits.insert(m_bits.end(), body.begin(), body.end());
    }

    void SetDx(size_t index, uint8_t code) { SetSlot(2 * (kPhasing + index), code); }
    void SetRx(size_t index, uint8_t code) { SetSlot(2 * (kPhasing + index + 2) + 1, code); }

    std::u16string Decode(CSitorBDecoder& decoder) const { return test::Feed(decoder, m_bits); }

    std::u16string Decode(bool strict) const {
        CSitorBDecoder decoder(11025, 100);
        decoder.SetStrictFec(strict);
        return Decode(decoder);
    }

  private:
    void SetSlot(size_t slot, uint8_t code) {
        for (size_t b = 0; b < 7; ++b) {
            m_bits[kLeadBits + 7 * slot + b] = (code >> b) & 1;
        }
    }

    static constexpr size_t kLeadBits = 8;
    std::vector<uint8_t> m_codes;
    std::vector<int> m_bits;
};

// A code that differs from code in exactly the given number of bits and
// satisfies want.
template <typename Want>
uint8_t Away(uint8_t code, int distance, Want want) {
    for (uint8_t other = 0; other < 128; ++other) {
        if (std::popcount(static_cast<unsigned>(other ^ code)) == distance && want(other)) {
            return other;
        }
    }
    ADD_FAILURE() << "no code at distance " << distance;
    return code;
}

int NearestValid(uint8_t code) {
    int best = 99;
    for (uint8_t v = 0; v < 128; ++v) {
        if (Ccir476IsValid(v)) {
            best = std::min(best, std::popcount(static_cast<unsigned>(v ^ code)));
        }
    }
    return best;
}

TEST(SitorBDecoder, CodeTableHasThe35ConstantRatioCodes) {
    int valid = 0;
    for (uint32_t code = 0; code < 128; ++code) {
        EXPECT_EQ(Ccir476IsValid(code), std::popcount(code) == 4) << code;
        valid += Ccir476IsValid(code) ? 1 : 0;
    }
    EXPECT_EQ(valid, 35);
    EXPECT_EQ(kCcir476Letters[0x6A], ' ');
    EXPECT_EQ(kCcir476Figures[0x6A], '*');
    EXPECT_EQ(kCcir476Letters[0x78], '\r');
}

TEST(SitorBDecoder, AgreeingCopiesGiveTheText) {
    const Transmission tx(Letters("RYRY THE QUICK BROWN FOX"));
    for (bool strict : {true, false}) {
        CSitorBDecoder decoder(11025, 100);
        decoder.SetStrictFec(strict);
        EXPECT_EQ(test::Narrow(tx.Decode(decoder)), "RYRY THE QUICK BROWN FOX");
        EXPECT_TRUE(decoder.Acquired());
        EXPECT_EQ(decoder.ErrorCount(), 0);
        EXPECT_GE(decoder.GoodCount(), 24);
        decoder.ResetCounts();
        EXPECT_EQ(decoder.GoodCount(), 0);
    }
}

TEST(SitorBDecoder, OneBadCopyIsRepairedOnlyWithStrictOff) {
    const std::vector<uint8_t> codes = Letters("NAVTEX");
    const uint8_t v = codes[2];
    // One bit flipped gives an invalid code one bit from v (and from other
    // valid codes too): the valid copy is among the nearest, so it wins.
    const uint8_t flipped = Away(v, 1, [](uint8_t c) { return !Ccir476IsValid(c); });
    ASSERT_EQ(NearestValid(flipped), 1);
    for (bool damageDx : {true, false}) {
        Transmission tx(codes);
        damageDx ? tx.SetDx(2, flipped) : tx.SetRx(2, flipped);
        EXPECT_EQ(test::Narrow(tx.Decode(false)), "NAVTEX");
        CSitorBDecoder strict(11025, 100);
        EXPECT_EQ(test::Narrow(tx.Decode(strict)), "NATEX");
        EXPECT_EQ(strict.ErrorCount(), 1);
    }
    // Three bits from v but one from another valid code: no repair.
    const uint8_t far = Away(v, 3, [](uint8_t c) { return NearestValid(c) == 1; });
    Transmission tx(codes);
    tx.SetDx(2, far);
    CSitorBDecoder lenient(11025, 100);
    lenient.SetStrictFec(false);
    EXPECT_EQ(test::Narrow(tx.Decode(lenient)), "NATEX");
    EXPECT_EQ(lenient.ErrorCount(), 1);
}

TEST(SitorBDecoder, TwoValidButDifferentCopies) {
    Transmission tx(Letters("ABCD"));
    tx.SetDx(1, Letter('Z'));
    // Strict off: the later (RX) copy wins; strict on: an error.
    EXPECT_EQ(test::Narrow(tx.Decode(false)), "ABCD");
    tx = Transmission(Letters("ABCD"));
    tx.SetRx(1, Letter('Z'));
    EXPECT_EQ(test::Narrow(tx.Decode(false)), "AZCD");
    EXPECT_EQ(test::Narrow(tx.Decode(true)), "ACD");
}

TEST(SitorBDecoder, PhasingInTheRxPositionIsNoError) {
    for (uint8_t phasing : {uint8_t{0x33}, uint8_t{0x0F}}) {
        Transmission tx(Letters("ABCD"));
        tx.SetRx(1, phasing);
        CSitorBDecoder decoder(11025, 100);
        EXPECT_EQ(test::Narrow(tx.Decode(decoder)), "ACD");
        EXPECT_EQ(decoder.ErrorCount(), 0);
    }
    // 0x00 is no character at all: an error.
    Transmission tx(Letters("ABCD"));
    tx.SetDx(1, 0x00);
    tx.SetRx(1, 0x00);
    CSitorBDecoder decoder(11025, 100);
    decoder.SetStrictFec(false);
    EXPECT_EQ(test::Narrow(tx.Decode(decoder)), "ACD");
    EXPECT_EQ(decoder.ErrorCount(), 1);
}

TEST(SitorBDecoder, ShiftsSpecialCodesAndLineEnds) {
    std::vector<uint8_t> codes = Letters("A");
    codes.push_back(kCcirFigures);
    codes.push_back(Letter('Q'));  // 1
    codes.push_back(0x6A);         // * in figures
    codes.push_back(kCcirCarriageReturn);
    codes.push_back(kCcirLetters);
    codes.push_back(0x6A);  // space in letters
    codes.push_back(Letter('Q'));
    const Transmission tx(codes);
    CSitorBDecoder decoder(11025, 100);
    EXPECT_EQ(tx.Decode(decoder), u"A1*\r\n Q");
    EXPECT_TRUE(decoder.Letters());
    EXPECT_EQ(decoder.ErrorCount(), 0);
}

TEST(SitorBDecoder, LettersAreForcedWhenAlignmentIsLost) {
    // Figures "12", two characters lost in both copies, then R/4 without a
    // new shift: after two errors in a row the decoder assumes letters.
    std::vector<uint8_t> codes = {static_cast<uint8_t>(kCcirFigures)};
    for (char c : std::string("QWEERRRRYY")) {
        codes.push_back(Letter(c));
    }
    Transmission tx(codes);
    for (size_t i : {3, 4}) {
        tx.SetDx(i, 0x00);
        tx.SetRx(i, 0x00);
    }
    CSitorBDecoder decoder(11025, 100);
    const std::u16string text = tx.Decode(decoder);
    // The hunt for a new slot boundary finds the next RX copy in time.
    EXPECT_EQ(test::Narrow(text), "12RRRRYY");
    EXPECT_GE(decoder.ErrorCount(), 2);
    // One error alone keeps the shift.
    Transmission once(codes);
    once.SetDx(3, 0x00);
    once.SetRx(3, 0x00);
    EXPECT_EQ(test::Narrow(once.Decode(true)), "123444466");
}

TEST(SitorBDecoder, AcquiresAtTheFirstMatchingWindow) {
    // With the window still all zero, a first bit of 0 already matches.
    CSitorBDecoder decoder(11025, 100);
    std::u16string text;
    decoder.HandleBit(0, text);
    EXPECT_TRUE(decoder.Acquired());
    EXPECT_EQ(decoder.GoodCount() + decoder.ErrorCount(), 0);
    CSitorBDecoder other(11025, 100);
    other.HandleBit(1, text);
    EXPECT_FALSE(other.Acquired());
    EXPECT_TRUE(text.empty());
}

}  // namespace
}  // namespace wavelore
