// PortAudio with an ALSA configuration that defines no PCM at all: no
// capture device exists, and starting the receiver says so.

#include <gtest/gtest.h>

#include <cstdlib>

#include "signal/decoder_thread.h"
#include "signal/wave_in_portaudio.h"
#include "support/fixtures.h"
#include "test_decoder_thread_support.h"
#include "test_wave_in_fake.h"

// ALSA loads its plugins with dlopen; a library one of them pulls in leaks a
// little at its initialisation and is unloaded again before the leak check
// of the sanitizer build runs. Let that pass, recognised by the full
// allocation stack through ALSA's loader (these hooks are read only by the
// sanitizer runtime).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:snd_dlopen\n";
}
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0:print_suppressions=0";
}

namespace wavelore {
namespace {

TEST(PortAudioWithoutDevices, NoDeviceIsListedAndTheStartFailsWithTheMessage) {
    test::ScopedTempDir dir;
    // Only the system defaults, which name no card that exists here. (A
    // file without even those trips an assertion inside PortAudio.)
    test::WriteFile("empty.conf", "</usr/share/alsa/alsa.conf>\n");
    setenv("ALSA_CONFIG_PATH", (dir.Path() / "empty.conf").c_str(), 1);
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
    EXPECT_FALSE(thread.Start(11025, 1700, 85, 100, 1, &target, 0));
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"ERROR: No sound device detected"});
}

}  // namespace
}  // namespace wavelore
