#include <gtest/gtest.h>

#include <vector>

#include "app/tuning_control.h"
#include "common/message_ids.h"
#include "display/spectrum_analyzer.h"

namespace wavelore {
namespace {

struct Posted {
    uint32_t id;
    int64_t centre;
    int64_t halfShift;
    bool operator==(const Posted&) const = default;
};

TEST(TuningControl, ClampsStoresShowsAndRetunesTheDecoder) {
    CSpectrumAnalyzer display;
    std::vector<Posted> posted;
    CTuningControl control(display, [&](Message m) {
        posted.push_back({m.id, m.wParam, m.lParam});
        return true;
    });
    // Start-up and mode changes show the tuning but do not retune.
    control.SetTuning(9000, 212);
    EXPECT_EQ(display.GetCentre(), 9000);  // taken as read until the next request
    EXPECT_EQ(display.HalfShift(), 212);
    EXPECT_TRUE(posted.empty());

    EXPECT_EQ(control.OnSetFrequency(100), 212);
    EXPECT_EQ(control.OnSetFrequency(6000), 5512 - 212);
    EXPECT_EQ(control.OnSetFrequency(1500), 1500);
    EXPECT_EQ(control.Centre(), 1500);
    EXPECT_EQ(display.GetCentre(), 1500);
    EXPECT_EQ(posted, (std::vector<Posted>{{WM_DECODER_TUNE, 212, 212},
                                           {WM_DECODER_TUNE, 5300, 212},
                                           {WM_DECODER_TUNE, 1500, 212}}));
}

TEST(TuningControl, WorksWithoutOrWithARefusingDecoderThread) {
    CSpectrumAnalyzer display;
    CTuningControl control(display, nullptr);
    EXPECT_EQ(control.HalfShift(), 85);
    EXPECT_EQ(control.OnSetFrequency(1234), 1234);
    control.SetPostToDecoder([](Message) { return false; });
    EXPECT_EQ(control.OnSetFrequency(40), 85);
    EXPECT_EQ(display.GetCentre(), 85);
    // A half shift wider than half the range leaves only itself.
    control.SetTuning(1700, 3000);
    EXPECT_EQ(control.OnSetFrequency(1700), 3000);
}

}  // namespace
}  // namespace wavelore
