// The real PortAudio path, through ALSA devices that capture a file: PCMs of
// type "file" whose infile holds a synthesized recording, each offering one
// rate and channel count as a sound card does, selected by an ALSA
// configuration of the test's own. They run at five times real time; past
// the end of its file ALSA repeats stale data, so the file is padded with
// silence.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "audio/sound_input.h"
#include "audio/wave_in_portaudio.h"
#include "receiver/decoder_thread.h"
#include "support/alsa_devices.h"
#include "support/alsa_sanitizer_hooks.h"
#include "support/audio_files.h"
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
        test::UseAlsaFileDevices(s_dir->Path(),
                                 {{"navfile", s_audio.samples},
                                  {"card48", AtRate(s_audio.samples, 48000, 2), 48000, 2},
                                  {"card44", AtRate(s_audio.samples, 44100, 1), 44100, 1}});
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    // The recording as a sound card captures it at rate, each sample in
    // every channel.
    static std::vector<int16_t> AtRate(const std::vector<int16_t>& samples, int rate,
                                       int channels) {
        std::vector<int16_t> out;
        for (double v : test::Resample(samples, rate)) {
            const double s = std::clamp(std::round(v * 32768.0), -32768.0, 32767.0);
            out.insert(out.end(), static_cast<size_t>(channels), static_cast<int16_t>(s));
        }
        return out;
    }

    // The id of the named device in the driver's list, or -1.
    static int FindDevice(CPortAudioWaveIn& driver, const std::u16string& name = u"navfile") {
        for (uint32_t id = 0; id < driver.GetNumDevs(); ++id) {
            WaveInCaps caps;
            if (driver.GetDevCaps(id, caps) == MMSYSERR_NOERROR && caps.productName == name) {
                return static_cast<int>(id);
            }
        }
        return -1;
    }

    // What the decoder thread makes of the whole recording captured from
    // the named device.
    static std::string Decode(const std::u16string& name) {
        CPortAudioWaveIn driver;
        const int id = FindDevice(driver, name);
        EXPECT_GE(id, 0) << test::Narrow(name) << " is not listed";
        test::CRecordingNotifier notifier;
        test::CCollectingTarget target;
        CDecoderThread thread(driver, notifier);
        EXPECT_TRUE(thread.Start(ChainSettings{}, &target, static_cast<uint32_t>(id)));
        EXPECT_TRUE(target.WaitForLoads(s_audio.samples.size() / 2048, 60s));
        thread.RequestStop();
        thread.Shutdown();
        EXPECT_TRUE(notifier.Messages().empty());
        return test::Narrow(target.AllText());
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
    const std::string text = Decode(u"navfile");
    const std::string expected = test::Narrow(s_audio.expectedText);
    EXPECT_EQ(text.substr(0, expected.size()), expected);
}

// Sound cards that offer only their own rate: the stream runs at it and is
// converted, and the receiver reads what it reads from a direct capture.
struct CardFormat {
    const char16_t* name;
    uint32_t rate;
    uint16_t channels;
};

void PrintTo(const CardFormat& card, std::ostream* out) {
    *out << card.rate << " Hz, " << card.channels
         << (card.channels == 1 ? " channel" : " channels");
}

class PortAudioCardRates : public PortAudioFileDevice,
                           public ::testing::WithParamInterface<CardFormat> {};

TEST_P(PortAudioCardRates, DecodeWhatTheDirectCaptureDecodes) {
    const CardFormat card = GetParam();
    CPortAudioWaveIn driver;
    const int id = FindDevice(driver, card.name);
    ASSERT_GE(id, 0);
    WaveInCaps caps;
    ASSERT_EQ(driver.GetDevCaps(static_cast<uint32_t>(id), caps), MMSYSERR_NOERROR);
    EXPECT_EQ(caps.defaultRate, card.rate);
    EXPECT_EQ(caps.channels, card.channels);

    const std::string converted = Decode(card.name);
    const std::string direct = Decode(u"navfile");
    EXPECT_NE(converted.find(test::Narrow(s_audio.expectedText)), std::string::npos) << converted;
    EXPECT_EQ(converted, direct);
}

INSTANTIATE_TEST_SUITE_P(Cards, PortAudioCardRates,
                         ::testing::Values(CardFormat{u"card48", 48000, 2},
                                           CardFormat{u"card44", 44100, 1}),
                         [](const auto& info) { return std::to_string(info.param.rate); });

// A receiver that takes nothing for longer than the ring holds: the newest
// samples are dropped and counted, the oldest wait for the first buffer.
TEST_F(PortAudioFileDevice, AFullRingKeepsTheOldestSamplesAndCountsTheRest) {
    CPortAudioWaveIn driver;
    const int id = FindDevice(driver);
    ASSERT_GE(id, 0);
    CThreadMessageQueue notify;
    std::unique_ptr<IWaveInDevice> device;
    ASSERT_EQ(driver.Open(id, WaveFormat{}, &notify, device), MMSYSERR_NOERROR);
    std::vector<int16_t> data(2048);
    WaveHeader header{reinterpret_cast<char*>(data.data()), 4096, 0, 0};
    ASSERT_EQ(device->PrepareHeader(header), MMSYSERR_NOERROR);
    ASSERT_EQ(device->Start(), MMSYSERR_NOERROR);
    for (int i = 0; i < 6000 && driver.SamplesLost() == 0; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GT(driver.SamplesLost(), 0u);
    ASSERT_EQ(device->AddBuffer(header), MMSYSERR_NOERROR);
    Message m;
    ASSERT_TRUE(notify.GetFor(m, 10s));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), s_audio.samples.begin()));
    EXPECT_EQ(device->Close(), MMSYSERR_NOERROR);
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
