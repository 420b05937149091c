#include <gtest/gtest.h>

#include "app/sound_source_selector.h"
#include "support/fake_wave_in.h"

namespace wavelore {
namespace {

using Fallback = CSoundSourceSelector::Fallback;

bool Same(const Fallback& a, const Fallback& b) {
    return a.switchSource == b.switchSource && a.from == b.from &&
           (!a.switchSource || a.to == b.to);
}

TEST(SoundSourceSelector, StoredNameChoosesTheDeviceAndFailuresMoveOn) {
    test::CFakeWaveIn driver;
    driver.numDevs = 3;
    CSoundSourceSelector sources;
    sources.Build(driver, u"Fake 2");
    EXPECT_EQ(sources.Current(), 2);
    // A stored name no device has: device 0.
    sources.Build(driver, u"Gone");
    EXPECT_EQ(sources.Current(), 0);
    EXPECT_EQ(sources.LastConfirmed(), -1);
    ASSERT_EQ(sources.Items().size(), 3u);
    EXPECT_EQ(sources.Items()[1].name, u"Fake 1");

    // Nothing confirmed: the next device, up to the last, then no way on.
    EXPECT_TRUE(Same(sources.ChooseFallback(), {true, 0, 1}));
    sources.Choose(1);
    // The first buffer confirms the device once.
    EXPECT_TRUE(sources.Confirm());
    EXPECT_FALSE(sources.Confirm());
    // The confirmed device itself fails: the next one.
    EXPECT_TRUE(Same(sources.ChooseFallback(), {true, 1, 2}));
    sources.Choose(2);
    // Another fails: back to the last confirmed one.
    EXPECT_TRUE(Same(sources.ChooseFallback(), {true, 2, 1}));
    sources.Choose(1);
    // Sources that cannot even start are not tried in turn forever.
    sources.MarkStartFailed();
    EXPECT_TRUE(Same(sources.ChooseFallback(), {true, 1, 2}));
    sources.Choose(2);
    sources.MarkStartFailed();
    EXPECT_TRUE(Same(sources.ChooseFallback(), {false, 2, 2}));

    // The last device fails and none was ever confirmed.
    sources.Build(driver, u"Fake 2");
    EXPECT_TRUE(Same(sources.ChooseFallback(), {false, 2, 2}));
    // No devices at all: nothing to switch to.
    driver.numDevs = 0;
    sources.Build(driver, u"");
    EXPECT_TRUE(sources.Items().empty());
    EXPECT_TRUE(Same(sources.ChooseFallback(), {false, 0, 0}));
}

TEST(SoundSourceSelector, ARecordingIsTheSourceAfterTheDevices) {
    test::CFakeWaveIn driver;
    driver.numDevs = 2;
    CSoundSourceSelector sources;
    sources.Build(driver, u"");
    EXPECT_EQ(sources.SetRecording(u"a.wav"), 2);
    EXPECT_EQ(sources.SetRecording(u"b.wav"), 2);
    ASSERT_EQ(sources.Items().size(), 3u);
    EXPECT_EQ(sources.Name(2), u"b.wav");
    EXPECT_TRUE(sources.IsRecording(2));
    EXPECT_FALSE(sources.IsRecording(1));
    EXPECT_FALSE(sources.Choose(3));
    EXPECT_TRUE(sources.Choose(2));
}

}  // namespace
}  // namespace wavelore
