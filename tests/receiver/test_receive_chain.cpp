#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "dsp/fsk_demodulator.h"
#include "receiver/fsk_chain.h"
#include "receiver/receive_chain.h"

namespace wavelore {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

std::unique_ptr<CReceiveChain> Make(DecoderType type, int32_t centre, int32_t halfShift,
                                    int32_t baud) {
    return CReceiveChain::Create(ChainSettings{type, centre, halfShift, baud});
}

// Stored settings can hold any number, and the chain is built from them as
// they stand. Found by fuzzing: FAX with the centre 0x970006A4 and the half
// shift 0x97979797, whose sum left 32 bits.
TEST(ReceiveChain, SettingsOfAnySizeGiveExactTonesAndNoTooFastBaud) {
    EXPECT_NE(Make(DecoderType::Fax, static_cast<int32_t>(0x970006A4),
                   static_cast<int32_t>(0x97979797), 0),
              nullptr);

    const auto wide = Make(DecoderType::SitorB, kMax, kMax, 100);
    ASSERT_NE(wide, nullptr);
    CFskDemodulator& demodulator = dynamic_cast<CFskChain&>(wide->Chain()).Demodulator();
    EXPECT_EQ(demodulator.UpperTone(), 2.0 * kMax);
    wide->Retune(kMin, kMax);
    EXPECT_EQ(demodulator.LowerTone(), double{kMin} - kMax);

    // The bit clock takes one sample per bit at most; RTTY runs at twice the
    // stored baud, which must not overflow either.
    EXPECT_EQ(Make(DecoderType::StartStop, 1700, 85, kMax), nullptr);
    EXPECT_EQ(Make(DecoderType::StartStop, 1700, 85, kNyquist + 1), nullptr);
    EXPECT_NE(Make(DecoderType::StartStop, 1700, 85, kNyquist), nullptr);
    EXPECT_EQ(Make(DecoderType::SitorB, 1700, 85, kSampleRate + 1), nullptr);
}

}  // namespace
}  // namespace wavelore
