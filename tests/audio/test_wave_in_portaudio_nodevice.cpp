// PortAudio with an ALSA configuration that defines no PCM at all: no
// capture device exists, and starting the receiver says so; no output
// device either, for the alarm.

#include <gtest/gtest.h>

#include "audio/alarm_player.h"
#include "audio/wave_in_portaudio.h"
#include "receiver/decoder_thread.h"
#include "support/alsa_devices.h"
#include "support/alsa_sanitizer_hooks.h"
#include "support/decoder_thread_support.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

TEST(PortAudioWithoutDevices, NoDeviceIsListedAndTheStartFailsWithTheMessage) {
    test::ScopedTempDir dir;
    test::UseAlsaWithoutDevices(dir.Path());
    CPortAudioWaveIn driver;
    if (driver.GetNumDevs() > 0) {
        GTEST_SKIP() << "this machine has sound hardware or a sound server of its own";
    }
    ASSERT_EQ(driver.GetNumDevs(), 0u);
    WaveInCaps caps;
    EXPECT_EQ(driver.GetDevCaps(0, caps), MMSYSERR_BADDEVICEID);
    CThreadMessageQueue queue;
    std::unique_ptr<IWaveInDevice> device;
    EXPECT_EQ(driver.Open(0, WaveFormat{}, &queue, device), MMSYSERR_BADDEVICEID);

    test::CRecordingNotifier notifier;
    test::CCollectingTarget target;
    CDecoderThread thread(driver, notifier);
    EXPECT_FALSE(thread.Start(ChainSettings{}, &target, 0));
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"ERROR: No sound device detected"});

    // Nor can the alarm sound: it says so, and nothing sounds.
    CPortAudioAlarm alarm;
    std::string error;
    EXPECT_FALSE(alarm.Start(std::chrono::seconds(1), error));
    EXPECT_EQ(error, "no sound output device");
    EXPECT_FALSE(alarm.Sounding());
    alarm.Stop();
}

}  // namespace
}  // namespace wavelore
