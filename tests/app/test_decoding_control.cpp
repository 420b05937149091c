// The main window's decoding control with the real decoder thread on a
// scripted wave-input driver: watchdog, fallback, the stored device, and
// what the thread gives when it ends.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/decoding_control.h"
#include "app/settings.h"
#include "common/decoder_text.h"
#include "common/message_ids.h"
#include "common/utf.h"
#include "support/audio_files.h"
#include "support/decode_chain.h"
#include "support/decoder_thread_support.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"
#include "support/radio_band.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;

// The texts a channel was given, in the order posted, whether the window
// came to handle them or not.
struct PostedTexts {
    std::mutex mutex;
    std::u16string all;
};

// Its queue outlives it, as a window outlives the channels it hands out: a
// handler of the queue may drop the thread and its channel.
class CQueueChannel final : public IWindowChannel {
  public:
    CQueueChannel(CQueueWindowTarget& queue, PostedTexts& texts) : queue(queue), texts(texts) {}
    bool Post(Message m) override {
        if (const DecoderText* text = m.Get<DecoderText>()) {
            std::lock_guard<std::mutex> lock(texts.mutex);
            texts.all += text->text;
        }
        return queue.Post(std::move(m));
    }
    bool Send(Message& m) override { return queue.Send(m); }
    void Close() override { queue.Close(); }
    CQueueWindowTarget& queue;
    PostedTexts& texts;
};

class CTestHost final : public IDecodingHost {
  public:
    CDecodingControl* control = nullptr;
    CQueueWindowTarget* queue = nullptr;  // the newest channel's
    std::vector<std::unique_ptr<CQueueWindowTarget>> queues;
    PostedTexts texts;
    // A radio's channels: each one's queue and texts.
    std::map<int32_t, CQueueWindowTarget*> channelQueues;
    std::map<int32_t, PostedTexts> channelTexts;
    std::vector<std::string> reports;
    bool watchdog = false;
    bool closed = false;
    int checked = -1;
    int restarts = 0;

    std::unique_ptr<IWindowChannel> OpenChannel(int32_t frequencyHz) override {
        queues.push_back(std::make_unique<CQueueWindowTarget>());
        queue = queues.back().get();
        if (frequencyHz != 0) {
            channelQueues[frequencyHz] = queue;
            return std::make_unique<CQueueChannel>(*queue, channelTexts[frequencyHz]);
        }
        return std::make_unique<CQueueChannel>(*queue, texts);
    }
    void StartWatchdog(std::chrono::milliseconds period) override {
        EXPECT_EQ(period, 2000ms);
        watchdog = true;
    }
    void StopWatchdog() override { watchdog = false; }
    void ShowCurrentSource(int32_t index) override { checked = index; }
    void RestartDecoding() override {
        ++restarts;
        control->StartDecoder(Mode::Navtex, 1700, 170, 100);
    }
    void ReportNoDevices() override { reports.push_back("no devices"); }
    void ReportStartFailure() override { reports.push_back("start failed"); }
    void ReportSwitch(std::u16string_view from, std::u16string_view to) override {
        reports.push_back("switch " + ToUtf8(from) + " -> " + ToUtf8(to));
    }
    void ReportNoSourceLeft(std::u16string_view current) override {
        reports.push_back("none left after " + ToUtf8(current));
    }
    void CloseWindow() override { closed = true; }
    void ShowChannels(int32_t) override {}
    void ReportRadioFailure(std::u16string_view name, const std::string& error) override {
        reports.push_back("radio " + ToUtf8(name) + ": " + error);
    }

    // Handles the channel's messages as the main window does until a
    // spectrum came, or the time is up.
    bool AwaitSpectrum() {
        bool seen = false;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!seen && std::chrono::steady_clock::now() < deadline) {
            queue->DispatchOne(
                [&](Message& m) {
                    if (m.id == WM_DECODER_SPECTRUM) {
                        control->OnSpectrum(nullptr, 1700, 85);
                        seen = true;
                    }
                },
                50ms);
        }
        return seen;
    }
};

struct Rig {
    test::CFakeWaveIn driver;
    CMemoryProfileStore store;
    CSettings settings{store};
    test::CRecordingNotifier notifier;
    CTestHost host;
    CDecodingControl control{driver, notifier, settings, host};
    Rig() { host.control = &control; }
};

TEST(DecodingControl, ADeviceThatNeverDeliversGivesWayToTheNextOne) {
    Rig rig;
    rig.driver.numDevs = 2;
    rig.settings.WriteSoundDevice(u"Unplugged");
    rig.control.BuildSources(true);
    ASSERT_TRUE(rig.control.StartDecoder(Mode::Navtex, 1700, 170, 100));
    EXPECT_TRUE(rig.host.watchdog);
    EXPECT_EQ(rig.driver.opens, 1);

    // Device 0 opened but no buffer came within the watchdog's time.
    rig.control.OnWatchdog();
    EXPECT_EQ(rig.host.reports, std::vector<std::string>{"switch Fake 0 -> Fake 1"});
    EXPECT_EQ(rig.host.checked, 1);
    // A new thread on device 1; the old one closed its device.
    EXPECT_EQ(rig.driver.opens, 2);
    EXPECT_EQ(rig.driver.closes, 1);
    EXPECT_TRUE(rig.host.watchdog);
    EXPECT_EQ(rig.settings.SoundDevice(), u"Unplugged");

    // Its first buffer confirms it: stored, watchdog off.
    ASSERT_TRUE(rig.driver.Deliver({100, -100}));
    ASSERT_TRUE(rig.host.AwaitSpectrum());
    EXPECT_FALSE(rig.host.watchdog);
    EXPECT_EQ(rig.settings.SoundDevice(), u"Fake 1");
    EXPECT_FALSE(rig.host.closed);

    // Shutdown ends the thread even with a send in flight.
    ASSERT_TRUE(rig.driver.Deliver({1}));
    rig.control.Stop();
    EXPECT_FALSE(rig.control.StartDecoder(Mode::Navtex, 1700, 170, 100));
    rig.control.Release();
    EXPECT_EQ(rig.driver.closes, 2);
}

TEST(DecodingControl, TheEnhancedSwitchRestartsOnlyASitorBDecoder) {
    test::ScopedTempDir dir;  // for fax.raw
    Rig rig;
    rig.control.BuildSources(true);
    // A restarted FAX would empty its file: it keeps running.
    ASSERT_TRUE(rig.control.StartDecoder(Mode::Fax, 1700, 170, 0));
    rig.control.SetEnhanced(true);
    EXPECT_EQ(rig.host.restarts, 0);
    EXPECT_FALSE(rig.control.EnhancedChain());

    ASSERT_TRUE(rig.control.StartDecoder(Mode::Navtex, 1700, 170, 100));
    EXPECT_TRUE(rig.control.EnhancedChain());
    rig.control.SetEnhanced(false);
    EXPECT_EQ(rig.host.restarts, 1);
    EXPECT_FALSE(rig.control.EnhancedChain());
    rig.control.Stop();
}

TEST(DecodingControl, TheLastDeviceFailingWithNoneConfirmedEndsDecoding) {
    Rig rig;
    rig.driver.numDevs = 1;
    rig.driver.openResult = MMSYSERR_ALLOCATED;
    rig.control.BuildSources(true);
    EXPECT_FALSE(rig.control.StartDecoder(Mode::Navtex, 1700, 170, 100));
    EXPECT_EQ(rig.host.reports,
              (std::vector<std::string>{"start failed", "none left after Fake 0"}));
    EXPECT_TRUE(rig.host.closed);
    EXPECT_FALSE(rig.control.HasThread());
    EXPECT_EQ(rig.notifier.Messages(), std::vector<std::string>{"ERROR: waveInOpen failed"});

    // A decoder thread the system cannot make: the start only fails.
    test::CFakeWaveIn driver;
    CMemoryProfileStore store;
    CSettings settings(store);
    CTestHost host;
    CDecodingControl noThreads(driver, rig.notifier, settings, host, nullptr,
                               [](std::thread&, std::function<void()>) { return false; });
    noThreads.BuildSources(true);
    EXPECT_FALSE(noThreads.StartDecoder(Mode::Navtex, 1700, 170, 100));
    EXPECT_TRUE(host.reports.empty());
    EXPECT_FALSE(host.closed || noThreads.HasThread());

    // No devices at all: said once, and nothing is started, so the window
    // stays for a recording.
    Rig none;
    none.driver.numDevs = 0;
    none.control.BuildSources(true);
    EXPECT_FALSE(none.control.StartDecoder(Mode::Navtex, 1700, 170, 100));
    EXPECT_EQ(none.host.reports, (std::vector<std::string>{"no devices"}));
    EXPECT_FALSE(none.host.closed || none.control.HasThread());
}

// A handler of the thread's spectrum Send that changes the source drops
// that very thread, and joins it while the thread waits for the handler to
// finish. Closing the channel from inside the handler lets the Send go, so
// the drop cannot deadlock: the switch completes and the new thread runs.
TEST(DecodingControl, ASourceChangeInsideTheSpectrumHandlerEndsTheThreadItHandles) {
    Rig rig;
    rig.driver.numDevs = 2;
    rig.control.BuildSources(true);
    ASSERT_TRUE(rig.control.StartDecoder(Mode::Navtex, 1700, 170, 100));
    CQueueWindowTarget* first = rig.host.queue;
    ASSERT_TRUE(rig.driver.Deliver({100, -100}));
    bool switched = false;
    test::WithinSeconds(20, [&] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!switched && std::chrono::steady_clock::now() < deadline) {
            first->DispatchOne(
                [&](Message& m) {
                    if (m.id == WM_DECODER_SPECTRUM) {
                        switched = rig.control.OnSoundSource(1);
                    }
                },
                50ms);
        }
    });
    ASSERT_TRUE(switched);
    EXPECT_EQ(rig.host.checked, 1);
    EXPECT_EQ(rig.driver.opens, 2);
    EXPECT_EQ(rig.driver.closes, 1);
    EXPECT_TRUE(first->Closed());
    EXPECT_NE(rig.host.queue, first);
    ASSERT_TRUE(rig.driver.Deliver({1}));
    EXPECT_TRUE(rig.host.AwaitSpectrum());
    rig.control.Stop();
    rig.control.Release();
}

// The weak-signal chain holds its last characters back until it has seen
// the ones after them. When the source changes they reach the window
// before the old thread's channel closes: the window gets the text of
// decoding the same audio as a file, the held-back end included.
TEST(DecodingControl, TheTextTheChainHeldBackReachesTheWindowWhenTheSourceChanges) {
    const auto audio = test::NavtexAudio(1700, 15.0);
    constexpr size_t kBlocks = 40;  // cut off in the middle of the message
    const auto block = [&](size_t b) {
        return std::vector<int16_t>(
            audio.samples.begin() + static_cast<std::ptrdiff_t>(b * 2048),
            audio.samples.begin() + static_cast<std::ptrdiff_t>((b + 1) * 2048));
    };
    std::u16string expected;
    std::u16string heldBack;
    {
        ChainSettings settings;
        settings.enhanced = true;
        const auto chain = CReceiveChain::Create(settings);
        ASSERT_TRUE(chain);
        for (size_t b = 0; b < kBlocks; ++b) {
            SampleBlock samples(nullptr, 2048);
            const std::vector<int16_t> pcm = block(b);
            for (int32_t i = 0; i < 2048; ++i) {
                samples[i] = pcm[static_cast<size_t>(i)] * kSampleScale;
            }
            expected += test::Process(*chain, samples).text;
        }
        heldBack = chain->Finish().text;
    }
    ASSERT_NE(test::Narrow(expected).find("ZCZC EA12"), std::string::npos);
    ASSERT_FALSE(heldBack.empty());

    Rig rig;
    rig.driver.numDevs = 2;
    rig.control.BuildSources(true);
    rig.control.SetEnhanced(true);
    ASSERT_TRUE(rig.control.StartDecoder(Mode::Navtex, 1700, 170, 100));
    ASSERT_TRUE(rig.control.EnhancedChain());
    for (size_t b = 0; b < kBlocks; ++b) {
        ASSERT_TRUE(rig.driver.Deliver(block(b)));
        ASSERT_TRUE(rig.host.AwaitSpectrum()) << b;
    }
    // The last buffer's text is posted right after its spectrum.
    ASSERT_TRUE(test::Eventually([&] {
        std::lock_guard<std::mutex> lock(rig.host.texts.mutex);
        return rig.host.texts.all == expected;
    }));
    ASSERT_TRUE(rig.control.OnSoundSource(1));
    std::lock_guard<std::mutex> lock(rig.host.texts.mutex);
    EXPECT_EQ(test::Narrow(rig.host.texts.all), test::Narrow(expected + heldBack));
}

TEST(DecodingControl, APausedRecordingDecodesNothingAndAllOfItOnceResumed) {
    test::ScopedTempDir dir;
    const auto audio = test::NavtexAudio(1700, std::nullopt);
    ASSERT_TRUE(test::WriteWav11025("navtex.wav", audio.samples));
    std::u16string expected;
    {
        const auto chain = CReceiveChain::Create(ChainSettings{});
        ASSERT_TRUE(chain);
        for (size_t at = 0; at < audio.samples.size(); at += 2048) {
            SampleBlock samples(nullptr, 2048);
            for (int32_t i = 0; i < 2048; ++i) {
                samples[i] = audio.samples[at + static_cast<size_t>(i)] * kSampleScale;
            }
            expected += test::Process(*chain, samples).text;
        }
    }
    ASSERT_NE(test::Narrow(expected).find("WAVELORE LIVE TEST 1234"), std::string::npos);

    Rig rig;  // no devices: the recording is the only source
    rig.control.BuildSources(false);
    EXPECT_FALSE(rig.control.PauseRecording(true));  // nothing to pause yet
    std::string error;
    ASSERT_TRUE(rig.control.OpenRecording("navtex.wav", CRecordingWaveIn::Pace::AsTaken, error))
        << error;
    ASSERT_TRUE(rig.control.PauseRecording(true));
    ASSERT_TRUE(rig.control.StartDecoder(Mode::Navtex, 1700, 170, 100));

    int spectra = 0;
    int pauseAfter = 0;
    bool ended = false;
    // Handles what comes as the window does, for a time or to the end.
    const auto handleFor = [&](std::chrono::milliseconds span) {
        const auto deadline = std::chrono::steady_clock::now() + span;
        while (!ended && std::chrono::steady_clock::now() < deadline) {
            rig.host.queue->DispatchOne(
                [&](Message& m) {
                    if (m.id == WM_DECODER_SPECTRUM) {
                        rig.control.OnSpectrum(nullptr, 1700, 85);
                        if (++spectra == pauseAfter) {
                            rig.control.PauseRecording(true);
                        }
                    }
                    ended = ended || m.id == WM_DECODER_ENDED;
                },
                20ms);
        }
    };
    // As fast as it decodes, the whole recording would take a fraction of
    // this.
    handleFor(500ms);
    EXPECT_EQ(spectra, 0);
    EXPECT_TRUE(rig.control.RecordingPaused());
    rig.control.OnWatchdog();  // paused is not broken
    EXPECT_TRUE(rig.host.reports.empty());
    EXPECT_FALSE(rig.host.closed);

    // Paused again in the middle: what was in flight comes, then nothing.
    const int buffers = static_cast<int>(audio.samples.size() / 2048);
    pauseAfter = 10;
    ASSERT_TRUE(rig.control.PauseRecording(false));
    ASSERT_TRUE(test::Eventually([&] {
        handleFor(20ms);
        return rig.control.RecordingPaused();
    }));
    handleFor(300ms);
    const int held = spectra;
    handleFor(500ms);
    EXPECT_EQ(spectra, held);
    EXPECT_LT(held, buffers);
    EXPECT_FALSE(ended);

    ASSERT_TRUE(rig.control.PauseRecording(false));
    handleFor(30s);
    ASSERT_TRUE(ended);
    EXPECT_EQ(spectra, buffers);
    std::lock_guard<std::mutex> lock(rig.host.texts.mutex);
    EXPECT_EQ(test::Narrow(rig.host.texts.all), test::Narrow(expected));
}

}  // namespace
}  // namespace wavelore

namespace wavelore {
namespace {

// An IQ recording is a radio of two channels, each on a thread of its own
// with its own tuning search; played as fast as it decodes, it waits for
// the slower channel, so each gets all of its text and none of the
// other's. Its end is no failure, and the radio's settings are kept.
TEST(DecodingControl, AnIqRecordingGivesEachChannelAllOfItsOwnText) {
    test::ScopedTempDir dir;
    ASSERT_TRUE(test::WriteTwoChannelBand("band.cu8"));
    Rig rig;
    rig.driver.numDevs = 0;
    rig.control.BuildSources(false);
    RadioSettings radio;
    radio.sampleRate = test::kBandRate;
    radio.centreHz = test::kBandCentre;
    rig.control.SetRadio(radio, false);
    EXPECT_EQ(rig.settings.Radio().centreHz, test::kBandCentre);
    rig.control.SetRecordingPace(CRecordingWaveIn::Pace::AsTaken);
    std::string error;
    ASSERT_TRUE(rig.control.OpenIqRecording("band.cu8", "", error)) << error;
    ASSERT_TRUE(rig.control.StartDecoder(Mode::Navtex, 1000, 170, 100));
    ASSERT_EQ(rig.control.Channels(), (std::vector<double>{490000, 518000}));
    // The channels start on their tones, wherever the window was tuned.
    EXPECT_EQ(rig.control.Config().centre, 1700);
    ASSERT_TRUE(rig.control.ShowChannel(1));
    EXPECT_EQ(rig.control.ShownFrequency(), 518000);

    const auto text = [&](int32_t hz) {
        std::lock_guard<std::mutex> lock(rig.host.channelTexts[hz].mutex);
        return test::Narrow(rig.host.channelTexts[hz].all);
    };
    std::set<int32_t> ended;
    test::WithinSeconds(60, [&] {
        while (ended.size() < 2) {
            for (const auto& [hz, queue] : rig.host.channelQueues) {
                queue->DispatchOne(
                    [&, hz = hz](Message& m) {
                        if (m.id == WM_DECODER_ENDED) {
                            ended.insert(hz);
                        }
                        if (m.id != WM_DECODER_SPECTRUM) {
                            return;
                        }
                        if (hz == rig.control.ShownFrequency()) {
                            rig.control.OnSpectrum(m.Get<SampleBlock>(), 1700, 85);
                        } else {
                            rig.control.OnChannelSpectrum(hz, m.Get<SampleBlock>());
                        }
                    },
                    10ms);
            }
        }
    });
    EXPECT_NE(text(490000).find("ZCZC OA01\r\nLOWER CHANNEL"), std::string::npos) << text(490000);
    EXPECT_EQ(text(490000).find("UPPER"), std::string::npos);
    EXPECT_NE(text(518000).find("ZCZC EA23\r\nUPPER CHANNEL"), std::string::npos) << text(518000);
    EXPECT_EQ(text(518000).find("LOWER"), std::string::npos);
    rig.control.OnWatchdog();
    EXPECT_TRUE(rig.host.reports.empty()) << rig.host.reports.front();
    rig.control.Stop();
    rig.control.Release();
    EXPECT_TRUE(rig.control.Channels().empty());
}

}  // namespace
}  // namespace wavelore
