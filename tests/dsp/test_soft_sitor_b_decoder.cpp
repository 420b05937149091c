// Soft SITOR-B decoding: maximum-likelihood combining of the two copies,
// phasing, and the continuous alignment that catches an emission again
// after noise, after a slip and in mid-message.

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dsp/ccir476_table.h"
#include "dsp/shift_tracker.h"
#include "dsp/soft_ccir476.h"
#include "dsp/soft_sitor_b_decoder.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"
#include "synth/transmission.h"

namespace wavelore {
namespace {

using test::Narrow;

// Soft bits of a code, bit 0 first: +-sure, except the bits listed, which
// are given the value weak (a wrong sign makes a hard decision fail).
std::vector<double> SoftCode(uint32_t code, double sure,
                             const std::vector<std::pair<int, double>>& weak) {
    std::vector<double> llr(7);
    for (int i = 0; i < 7; ++i) {
        llr[static_cast<std::size_t>(i)] = ((code >> i) & 1u) ? sure : -sure;
    }
    for (const auto& [bit, value] : weak) {
        llr[static_cast<std::size_t>(bit)] = value;
    }
    return llr;
}

uint32_t Hard(const std::vector<double>& llr) {
    uint32_t code = 0;
    for (int i = 0; i < 7; ++i) {
        code |= llr[static_cast<std::size_t>(i)] > 0 ? 1u << i : 0u;
    }
    return code;
}

TEST(SoftCcir476, TheWordsAreTheThirtyFiveCodesWithFourMarks) {
    int n = 0;
    for (const uint8_t code : Ccir476Words()) {
        EXPECT_TRUE(Ccir476IsValid(code));
        EXPECT_EQ(std::popcount(static_cast<unsigned>(code)), 4);
        ++n;
    }
    EXPECT_EQ(n, 35);
}

// E (0x56 = 0110101) sent twice. In the DX copy bits 1 and 0 are hit, so it
// reads as 0x55 (R); in the RX copy bits 2 and 3, reading 0x5A (letters
// shift). Each hard copy is a valid word, and a wrong one: the hard decoder
// rejects the pair (or, with Strict FEC off, prints the RX reading). The
// summed soft values still favour E.
TEST(SoftCcir476, CombiningChoosesTheWordNeitherHardCopyGives) {
    const std::vector<double> dx = SoftCode(0x56, 4.0, {{1, -0.5}, {0, 0.8}});
    const std::vector<double> rx = SoftCode(0x56, 4.0, {{2, -0.6}, {3, 0.4}});
    ASSERT_EQ(Hard(dx), 0x55u);
    ASSERT_EQ(Hard(rx), 0x5Au);
    const SoftCharacter c = CombineCopies(FitSlot(dx.data()), FitSlot(rx.data()));
    EXPECT_EQ(c.code, 0x56);
    EXPECT_FALSE(c.phasing);
    // The runner-up (D, 0x53) moves a mark from bit 2 to bit 0, the two
    // least sure bits of the sums: |4 - 0.6| + |0.8 - 4| = 6.6.
    EXPECT_NEAR(c.reliability, 6.6, 1e-9);
    EXPECT_GT(PairEvidence(FitSlot(dx.data()), FitSlot(rx.data())), 0.0);
}

TEST(SoftCcir476, PhasingSignalsArePhasingAndNoiseHasNoEvidence) {
    const std::vector<double> repetition = SoftCode(0x66, 5.0, {});
    const std::vector<double> alpha = SoftCode(kCcirPhasing1, 5.0, {});
    const SoftCharacter idle = CombineCopies(FitSlot(repetition.data()), FitSlot(alpha.data()));
    EXPECT_TRUE(idle.phasing);
    EXPECT_GT(PairEvidence(FitSlot(repetition.data()), FitSlot(alpha.data())), 5.0);
    // The wrong pairing of the same idle signals (alpha taken as DX) is two
    // valid words at best.
    EXPECT_LT(PairEvidence(FitSlot(alpha.data()), FitSlot(repetition.data())), 1.0);
    // Invalid words in both slots (three and five marks).
    const std::vector<double> three = SoftCode(0x07, 5.0, {});
    const std::vector<double> five = SoftCode(0x1F, 5.0, {});
    EXPECT_LT(PairEvidence(FitSlot(three.data()), FitSlot(five.data())), -3.0);
}

// Both copies' summed fit for a code received as the soft sums llr (bit 0
// first).
std::array<double, kCcir476WordCount> Fits(const std::vector<double>& llr) {
    return FitSlot(llr.data()).fit;
}

// "12" in figures, then the letters shift before "VESSELS IN AREA" hit
// so that alone it reads as 0x6A (letters space, figures '*'): by its best
// reading the rest would print as "*=3''3)' 8, -43-". What follows it is no
// figures text, and the tracker takes the shift back.
TEST(ShiftTracker, ALostLettersShiftIsTakenBackFromTheTextAfterIt) {
    std::vector<std::vector<double>> pairs;
    const auto code = [&](uint32_t c) { pairs.push_back(SoftCode(c, 8.0, {})); };
    code(kCcirFigures);
    code(0x2E);  // 1
    code(0x27);  // 2
    // 0x5A and 0x6A differ in bits 4 and 5; both lean weakly to 0x6A.
    pairs.push_back(SoftCode(kCcirLetters, 8.0, {{4, -1.0}, {5, 1.0}}));
    const std::string line = "VESSELS IN AREA";
    for (const char c : line) {
        for (uint32_t k = 0; k < 128; ++k) {
            if (Ccir476IsValid(k) && kCcir476Letters[k] == c && k != 0x6A) {
                code(k);
                break;
            }
        }
    }
    ASSERT_EQ(CombineCopies(FitSlot(pairs[3].data()), FitSlot(pairs[3].data())).code, 0x6A);

    CShiftTracker tracker;
    std::string text;
    const auto print = [&](const CShiftTracker::Decision& d) {
        const char c = d.letters ? kCcir476Letters[d.code] : kCcir476Figures[d.code];
        if (c != '%') {
            text += c;
        }
    };
    CShiftTracker::Decision d;
    for (const auto& llr : pairs) {
        if (tracker.Push(Fits(llr), 1.0, &d) > 0) {
            print(d);
        }
    }
    CShiftTracker::Decision held[CShiftTracker::kLag];
    const int n = tracker.Flush(held);
    for (int i = 0; i < n; ++i) {
        print(held[i]);
    }
    EXPECT_EQ(text, "12" + line);
}

// Soft bits of a keyed emission: +-4 with Gaussian noise of deviation 1.5,
// so that now and then a hard decision is wrong.
std::vector<double> SoftEmission(const std::u16string& text, std::mt19937& rng,
                                 double phasingSeconds = 1.5) {
    synth::CTransmission transmission(synth::SynthMode::SitorB);
    transmission.AddPhasing(phasingSeconds);
    EXPECT_TRUE(transmission.AddMessage({u"GA01", text}));
    std::normal_distribution<double> noise(0.0, 1.5);
    std::vector<double> llr;
    for (const uint8_t bit : transmission.MakeKeying().elements) {
        llr.push_back((bit ? 4.0 : -4.0) + noise(rng));
    }
    return llr;
}

std::vector<double> Noise(std::size_t count, std::mt19937& rng) {
    std::normal_distribution<double> noise(0.0, 2.0);
    std::vector<double> llr(count);
    for (double& v : llr) {
        v = noise(rng);
    }
    return llr;
}

std::u16string Decode(CSoftSitorBDecoder& decoder, const std::vector<double>& llr) {
    std::u16string text;
    // In uneven pieces, as bit clocks deliver them.
    for (std::size_t pos = 0; pos < llr.size(); pos += 17) {
        const auto n = static_cast<int32_t>(std::min<std::size_t>(17, llr.size() - pos));
        decoder.Process(llr.data() + pos, n, text);
    }
    decoder.Flush(text);
    return text;
}

// What the decoder prints for a message with that body.
std::u16string Framed(const std::u16string& body) {
    std::u16string text = u"ZCZC GA01\r\n";
    for (const char16_t c : body) {
        text += c == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, c);
    }
    return text + u"NNNN\r\n";
}

constexpr char16_t kFirst[] = u"SHIP ADRIFT 54-12.5N 003-40.2E.\n";
constexpr char16_t kSecond[] = u"GALE WARNING SOUTHWEST 8 LATER 9.\n";

TEST(SoftSitorBDecoder, EmissionsAfterNoiseAreEachCaughtAndNoisePrintsNothing) {
    std::mt19937 rng(4);
    std::vector<double> llr = Noise(1003, rng);
    const std::vector<double> first = SoftEmission(kFirst, rng);
    llr.insert(llr.end(), first.begin(), first.end());
    const std::vector<double> gap = Noise(2001, rng);
    llr.insert(llr.end(), gap.begin(), gap.end());
    // The second starts straight with its text: no phasing to lock on.
    const std::vector<double> second = SoftEmission(kSecond, rng, 0.0);
    llr.insert(llr.end(), second.begin(), second.end());
    const std::vector<double> tail = Noise(997, rng);
    llr.insert(llr.end(), tail.begin(), tail.end());

    CSoftSitorBDecoder decoder;
    const std::u16string text = Decode(decoder, llr);
    EXPECT_EQ(Narrow(text), Narrow(Framed(kFirst) + Framed(kSecond)));
    EXPECT_GT(decoder.GoodCount(), 100);
    EXPECT_EQ(decoder.ErrorCount(), 0);
    EXPECT_FALSE(decoder.Aligner().Locked());
}

// A bit lost by the clock in mid-text moves every later character by one
// bit: the alignment follows within a few characters, and the decoder,
// which decides characters a few pairs late, loses only those at the slip.
TEST(SoftSitorBDecoder, FollowsASlipAndAStartInMidMessage) {
    const std::u16string long_text =
        u"VESSELS IN AREA KEEP SHARP LOOKOUT AND REPORT TO THE COAST GUARD AT ONCE\n"
        u"THE SEARCH CONTINUES THROUGH THE NIGHT WITH TWO LIFEBOATS AND A HELICOPTER\n";
    std::mt19937 rng(9);
    std::vector<double> llr = SoftEmission(long_text, rng);
    const std::size_t slip = llr.size() / 2;
    llr.erase(llr.begin() + std::ptrdiff_t(slip));

    CSoftSitorBDecoder decoder;
    const std::u16string text = Decode(decoder, llr);
    const std::u16string expected = Framed(long_text);
    EXPECT_LE(test::EditDistance(text, expected), 3u) << Narrow(text);
    EXPECT_EQ(decoder.Aligner().Realignments(), 1);

    // Started 300 bits into the text (about 20 characters): the rest comes
    // out whole.
    std::vector<double> late = SoftEmission(long_text, rng, 0.0);
    late.erase(late.begin(), late.begin() + 300);
    CSoftSitorBDecoder fresh;
    const std::u16string rest = Decode(fresh, late);
    EXPECT_NE(rest.find(u"AND REPORT TO THE COAST GUARD AT ONCE\r\nTHE SEARCH"),
              std::u16string::npos)
        << Narrow(rest);
    EXPECT_LT(rest.size(), expected.size() - 15);
}

}  // namespace
}  // namespace wavelore
