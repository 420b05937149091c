#include <gtest/gtest.h>

#include "common/modes.h"
#include "display/level_meter.h"

namespace wavelore {
namespace {

SampleBlock Constant(int16_t raw) {
    SampleBlock block(nullptr, kSamplesPerBuffer);
    block[100] = raw * kSampleScale;
    block[200] = -raw * kSampleScale / 2;
    return block;
}

TEST(LevelMeter, PeakHoldAndClippingHeldForSeconds) {
    CLevelMeter meter;
    EXPECT_EQ(meter.PeakDb(), CLevelMeter::kFloorDb);
    meter.Process(Constant(3277));  // a tenth of full scale
    EXPECT_NEAR(meter.PeakDb(), -20.0, 0.01);
    EXPECT_FALSE(meter.Clipping());

    // A negative full-scale sample clips as a positive one does.
    meter.Process(Constant(-32768));
    EXPECT_NEAR(meter.PeakDb(), 0.0, 1e-9);
    EXPECT_TRUE(meter.Clipping());
    for (int32_t i = 0; i < CLevelMeter::kPeakHoldBlocks; ++i) {
        meter.Process(Constant(33));
    }
    EXPECT_NEAR(meter.PeakDb(), -60.0, 0.1);
    EXPECT_NEAR(meter.HeldPeakDb(), 0.0, 1e-9);  // still held
    meter.Process(Constant(33));
    EXPECT_NEAR(meter.HeldPeakDb(), -CLevelMeter::kPeakFallDb, 1e-9);  // falling
    EXPECT_TRUE(meter.Clipping());
    for (int32_t i = CLevelMeter::kPeakHoldBlocks + 1; i < CLevelMeter::kClipHoldBlocks; ++i) {
        EXPECT_TRUE(meter.Clipping()) << i;
        meter.Process(Constant(33));
    }
    EXPECT_FALSE(meter.Clipping());
    meter.Process(SampleBlock());  // nothing measured: nothing changes
    EXPECT_NEAR(meter.PeakDb(), -60.0, 0.1);

    meter.Process(Constant(0));
    EXPECT_EQ(meter.PeakDb(), CLevelMeter::kFloorDb);
    EXPECT_EQ(CLevelMeter::Fraction(-30.0), 0.5);
    EXPECT_EQ(CLevelMeter::Fraction(-90.0), 0.0);

    EXPECT_FALSE(meter.SignalToNoiseDb().has_value());
    meter.SetChainState(CLevelMeter::ChainState{20.0, true});
    EXPECT_NEAR(*meter.SignalToNoiseDb(), 13.01, 0.01);
    EXPECT_TRUE(meter.Locked());
    meter.SetChainState(CLevelMeter::ChainState{0.0, false});  // before any input
    EXPECT_FALSE(meter.SignalToNoiseDb().has_value());
    meter.Reset();
    EXPECT_FALSE(meter.Locked());
    EXPECT_EQ(meter.HeldPeakDb(), CLevelMeter::kFloorDb);
}

}  // namespace
}  // namespace wavelore
