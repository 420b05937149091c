// The real PortAudio path, through an ALSA device that captures a file: a
// PCM of type "file" whose infile holds a synthesized recording, selected by
// an ALSA configuration of the test's own. This runs far faster than real
// time; past the end of its file ALSA repeats stale data, so the file is
// padded with silence.

#include <gtest/gtest.h>

#include "audio/sound_input.h"
#include "audio/wave_in_portaudio.h"
#include "receiver/decoder_thread.h"
#include "support/alsa_devices.h"
#include "support/alsa_sanitizer_hooks.h"
#include "support/decoder_thread_support.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;

class PortAudioFileDevice : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_dir = new test::ScopedTempDir();
        s_audio = test::NavtexAudio(1700, std::nullopt);
        s_audio.samples.resize(s_audio.samples.size() + 4 * 2048, 0);
        // Before PortAudio's first use, which reads the ALSA configuration.
        test::UseAlsaFileDevice(s_dir->Path(), s_audio.samples);
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    // The id of the file device in the driver's list, or -1.
    static int FindDevice(CPortAudioWaveIn& driver) {
        for (uint32_t id = 0; id < driver.GetNumDevs(); ++id) {
            WaveInCaps caps;
            if (driver.GetDevCaps(id, caps) == MMSYSERR_NOERROR && caps.productName == u"navfile") {
                return static_cast<int>(id);
            }
        }
        return -1;
    }

    static test::ScopedTempDir* s_dir;
    static synth::Recording s_audio;
};

test::ScopedTempDir* PortAudioFileDevice::s_dir = nullptr;
synth::Recording PortAudioFileDevice::s_audio;

TEST_F(PortAudioFileDevice, CapturesTheFileExactlyThroughTheLayer) {
    CPortAudioWaveIn driver;
    const int id = FindDevice(driver);
    ASSERT_GE(id, 0) << "the ALSA file device is not listed";
    WaveInCaps caps;
    EXPECT_EQ(driver.GetDevCaps(driver.GetNumDevs(), caps), MMSYSERR_BADDEVICEID);

    CThreadMessageQueue notify;
    std::unique_ptr<IWaveInDevice> device;
    ASSERT_EQ(driver.Open(id, WaveFormat{}, &notify, device), MMSYSERR_NOERROR);
    constexpr size_t kBuffers = 8;
    std::vector<std::vector<int16_t>> data(kBuffers, std::vector<int16_t>(2048));
    std::vector<WaveHeader> headers(kBuffers);
    for (size_t i = 0; i < kBuffers; ++i) {
        headers[i] = WaveHeader{reinterpret_cast<char*>(data[i].data()), 4096, 0, 0};
        ASSERT_EQ(device->PrepareHeader(headers[i]), MMSYSERR_NOERROR);
        ASSERT_EQ(device->AddBuffer(headers[i]), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(device->Start(), MMSYSERR_NOERROR);
    ASSERT_EQ(device->Start(), MMSYSERR_NOERROR);  // a second start is harmless
    for (size_t i = 0; i < kBuffers; ++i) {
        Message m;
        ASSERT_TRUE(notify.GetFor(m, 10s)) << "buffer " << i;
        EXPECT_EQ(m.id, MM_WIM_DATA);
        EXPECT_EQ(m.lParam, reinterpret_cast<intptr_t>(&headers[i]));
        EXPECT_TRUE(headers[i].flags & WHDR_DONE);
        EXPECT_TRUE(std::equal(data[i].begin(), data[i].end(), s_audio.samples.begin() + i * 2048))
            << "buffer " << i;
    }
    // A reset with one buffer queued hands it back at once.
    ASSERT_EQ(device->AddBuffer(headers[0]), MMSYSERR_NOERROR);
    ASSERT_EQ(device->Reset(), MMSYSERR_NOERROR);
    Message m;
    ASSERT_TRUE(notify.GetFor(m, 10s));
    EXPECT_EQ(m.lParam, reinterpret_cast<intptr_t>(&headers[0]));
    EXPECT_EQ(device->Close(), MMSYSERR_NOERROR);
    EXPECT_FALSE(notify.GetFor(m, 50ms));
}

TEST_F(PortAudioFileDevice, TheDecoderThreadDecodesTheCapturedText) {
    CPortAudioWaveIn driver;
    const int id = FindDevice(driver);
    ASSERT_GE(id, 0);
    test::CRecordingNotifier notifier;
    test::CCollectingTarget target;
    CDecoderThread thread(driver, notifier);
    ASSERT_TRUE(thread.Start(11025, 1700, 85, 100, 1, &target, static_cast<uint32_t>(id)));
    const size_t blocks = s_audio.samples.size() / 2048;
    ASSERT_TRUE(target.WaitForLoads(blocks, 60s));
    thread.RequestStop();
    thread.Shutdown();
    EXPECT_TRUE(notifier.Messages().empty());
    const std::string text = test::Narrow(target.AllText());
    const std::string expected = test::Narrow(s_audio.expectedText);
    EXPECT_EQ(text.substr(0, expected.size()), expected);
}

TEST_F(PortAudioFileDevice, RefusesFormatsOtherThanMonoSixteenBit) {
    CPortAudioWaveIn driver;
    const int id = FindDevice(driver);
    ASSERT_GE(id, 0);
    CThreadMessageQueue notify;
    std::unique_ptr<IWaveInDevice> device;
    WaveFormat eightBit;
    eightBit.bitsPerSample = 8;
    eightBit.blockAlign = 1;
    eightBit.avgBytesPerSec = 11025;
    EXPECT_EQ(driver.Open(id, eightBit, &notify, device), WAVERR_BADFORMAT);
    EXPECT_EQ(device, nullptr);
}

}  // namespace
}  // namespace wavelore
