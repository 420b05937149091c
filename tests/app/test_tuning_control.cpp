#include <gtest/gtest.h>

#include <vector>

#include "app/tuning_control.h"
#include "common/message_ids.h"
#include "display/band_scope.h"

namespace wavelore {
namespace {

TEST(TuningControl, ClampsStoresShowsAndRetunesTheDecoder) {
    CBandScope display;
    std::vector<Message> posted;
    CTuningControl control([&](int32_t c, int32_t h) { display.SetTuning(c, h); },
                           [&](Message m) {
                               posted.push_back(std::move(m));
                               return true;
                           });
    // Start-up and mode changes show the tuning but do not retune; the
    // centre is taken as read until the next request.
    control.SetTuning(9000, 212);
    EXPECT_EQ(display.GetCentre(), 9000);
    EXPECT_EQ(display.HalfShift(), 212);
    EXPECT_TRUE(posted.empty());

    EXPECT_EQ(control.OnSetFrequency(100), 212);
    EXPECT_EQ(control.OnSetFrequency(6000), 5512 - 212);
    EXPECT_EQ(control.OnSetFrequency(1500), 1500);
    EXPECT_EQ(display.GetCentre(), 1500);
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[1].id, WM_DECODER_TUNE);
    EXPECT_EQ(posted[1].wParam, 5300);
    EXPECT_EQ(posted[2].wParam, 1500);
    EXPECT_EQ(posted[2].lParam, 212);

    // No decoder thread yet, or one that refuses: the tuning still holds.
    control.SetPostToDecoder(nullptr);
    EXPECT_EQ(control.OnSetFrequency(1234), 1234);
    control.SetPostToDecoder([](Message) { return false; });
    EXPECT_EQ(control.OnSetFrequency(40), 212);
    EXPECT_EQ(control.Centre(), 212);
    // A half shift wider than half the range leaves only itself.
    control.SetTuning(1700, 3000);
    EXPECT_EQ(control.OnSetFrequency(1700), 3000);
}

}  // namespace
}  // namespace wavelore
