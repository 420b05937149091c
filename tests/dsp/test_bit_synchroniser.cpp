// The bit clock of CCharacterDecoder: where its bits fall after an edge,
// and agreement with the plain sample-by-sample form.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dsp/character_decoder.h"
#include "support/reference_dsp.h"

namespace wavelore {
namespace {

// Records every bit and the sample it was taken at; each bit also yields
// one character of text so the text path is exercised.
class RecordingDecoder : public CCharacterDecoder {
  public:
    RecordingDecoder(int32_t smoothLength) : CCharacterDecoder(11025, 100, smoothLength) {}
    void HandleBit(int bit, std::u16string& out) override {
        bits.push_back({sample, bit});
        out.push_back(bit != 0 ? u'1' : u'0');
    }
    struct Bit {
        int32_t sample;
        int value;
        bool operator==(const Bit&) const = default;
    };
    std::vector<Bit> bits;
    int32_t sample = 0;

  protected:
    void ResetCharacters() override {}
};

// Feeds one sample per Decode call so the recorder knows the sample index.
std::vector<RecordingDecoder::Bit> BitsOf(const std::vector<double>& values,
                                          int32_t smoothLength = 1) {
    RecordingDecoder decoder(smoothLength);
    for (double v : values) {
        std::u16string text;
        decoder.Process(&v, 1, text);
        ++decoder.sample;
    }
    return decoder.bits;
}

// -1 up to the edge, then +1.
std::vector<double> EdgeAt(int32_t edge, int32_t length = 400) {
    std::vector<double> v(static_cast<size_t>(length), -1.0);
    std::fill(v.begin() + edge, v.end(), 1.0);
    return v;
}

TEST(BitSynchroniser, SamplesPerBitAndFreeRunningClock) {
    RecordingDecoder decoder(1);
    EXPECT_EQ(decoder.SamplesPerBit(), 110);  // 110.25 truncated
    // No edge: a bit in the middle of every 110 samples.
    const auto bits = BitsOf(std::vector<double>(400, -1.0));
    ASSERT_EQ(bits.size(), 4u);
    EXPECT_EQ(bits[0], (RecordingDecoder::Bit{55, 0}));
    EXPECT_EQ(bits[1].sample, 165);
    EXPECT_EQ(bits[3].sample, 385);
}

TEST(BitSynchroniser, EdgeCorrections) {
    // r = 20: error -20, moves the clock back by 4, so the bit comes 4
    // samples later than it would have.
    auto bits = BitsOf(EdgeAt(20));
    EXPECT_EQ(bits[0], (RecordingDecoder::Bit{59, 1}));
    // r = 90: error +20, forward by 4.
    bits = BitsOf(EdgeAt(90));
    EXPECT_EQ(bits[0], (RecordingDecoder::Bit{55, 0}));
    EXPECT_EQ(bits[1], (RecordingDecoder::Bit{161, 1}));
    // r = 55, the middle of a bit: the largest step, 11 forward, which
    // jumps over the bit due at that very sample.
    bits = BitsOf(EdgeAt(55));
    EXPECT_EQ(bits[0], (RecordingDecoder::Bit{154, 1}));
    EXPECT_EQ(bits[1].sample, 264);
    // r = 0 is already on the boundary; r = 3 and r = 107 are near enough
    // (a fifth rounds to 0) to snap the clock onto the edge.
    bits = BitsOf(EdgeAt(110));
    EXPECT_EQ(bits[1], (RecordingDecoder::Bit{165, 1}));
    bits = BitsOf(EdgeAt(3));
    EXPECT_EQ(bits[0].sample, 58);
    bits = BitsOf(EdgeAt(107));
    EXPECT_EQ(bits[1].sample, 162);
}

TEST(BitSynchroniser, ExactZeroIsLevelZeroAndSmoothingDelaysTheEdge) {
    // Positive, then exactly 0: the fall to 0 is an edge to level 0.
    std::vector<double> v(300, 0.0);
    std::fill(v.begin(), v.begin() + 10, 1.0);
    const auto bits = BitsOf(v);
    // Rise at 0 snaps the clock, fall at 10 moves it back by 2.
    EXPECT_EQ(bits[0], (RecordingDecoder::Bit{57, 0}));
    // A 4-sample smoother sees the rise at sample 20 only when its mean
    // turns positive, at sample 22 (r = 22: back by 4).
    const auto smoothed = BitsOf(EdgeAt(20), 4);
    EXPECT_EQ(smoothed[0], (RecordingDecoder::Bit{59, 1}));
    EXPECT_EQ(smoothed[0].sample, 22 + 55 - (22 - 4));
}

TEST(BitSynchroniser, MatchesThePlainFormInAnyBlockCut) {
    // A noisy bipolar signal with random bit lengths around 110 samples.
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 0.8);
    std::uniform_int_distribution<int> length(95, 125);
    std::vector<double> signal;
    while (signal.size() < 300000) {
        const double level = (rng() & 1) != 0 ? 1.0 : -1.0;
        for (int i = length(rng); i > 0; --i) {
            signal.push_back(level + noise(rng));
        }
    }
    for (int32_t smooth : {1, 7, 100, 220}) {
        RecordingDecoder expected(smooth);
        reference::BitSynchroniser sync(11025, 100, smooth);
        const std::u16string reference =
            sync.Decode(SampleBlock(signal.data(), static_cast<int32_t>(signal.size())), expected);
        for (int32_t cut : {1, 17, 256, 2048, 70000}) {
            RecordingDecoder decoder(smooth);
            std::u16string text;
            for (size_t pos = 0; pos < signal.size(); pos += static_cast<size_t>(cut)) {
                const size_t n = std::min(signal.size() - pos, static_cast<size_t>(cut));
                decoder.Process(signal.data() + pos, n, text);
            }
            EXPECT_EQ(text, reference) << "smoothing " << smooth << ", cut " << cut;
        }
    }
}

}  // namespace
}  // namespace wavelore
