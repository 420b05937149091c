// The main window's decoding control with the real decoder thread on a
// scripted wave-input driver: watchdog, fallback and the stored device.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/decoding_control.h"
#include "app/settings.h"
#include "common/message_ids.h"
#include "common/utf.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;

class CQueueChannel final : public IWindowChannel {
  public:
    bool Post(Message m) override { return queue.Post(std::move(m)); }
    bool Send(Message& m) override { return queue.Send(m); }
    void Close() override { queue.Close(); }
    CQueueWindowTarget queue;
};

class CTestHost final : public IDecodingHost {
  public:
    CDecodingControl* control = nullptr;
    CQueueChannel* channel = nullptr;
    std::vector<std::string> reports;
    bool watchdog = false;
    bool closed = false;
    int checked = -1;
    int restarts = 0;

    std::unique_ptr<IWindowChannel> OpenChannel() override {
        auto c = std::make_unique<CQueueChannel>();
        channel = c.get();
        return c;
    }
    void StartWatchdog(std::chrono::milliseconds period) override {
        EXPECT_EQ(period, 2000ms);
        watchdog = true;
    }
    void StopWatchdog() override { watchdog = false; }
    void ShowCurrentSource(int32_t index) override { checked = index; }
    void RestartDecoding() override {
        ++restarts;
        control->StartDecoder(DecoderType::SitorB, 1700, 85, 100);
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

    // Handles the channel's messages as the main window does until a
    // spectrum came, or the time is up.
    bool AwaitSpectrum() {
        bool seen = false;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!seen && std::chrono::steady_clock::now() < deadline) {
            channel->queue.DispatchOne(
                [&](Message& m) {
                    if (m.id == WM_DECODER_SPECTRUM) {
                        control->OnSpectrum();
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
    ASSERT_TRUE(rig.control.StartDecoder(DecoderType::SitorB, 1700, 85, 100));
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
    EXPECT_FALSE(rig.control.StartDecoder(DecoderType::SitorB, 1700, 85, 100));
    rig.control.Release();
    EXPECT_EQ(rig.driver.closes, 2);
}

TEST(DecodingControl, TheEnhancedSwitchRestartsOnlyASitorBDecoder) {
    test::ScopedTempDir dir;  // for fax.raw
    Rig rig;
    rig.control.BuildSources(true);
    // A restarted FAX would empty its file: it keeps running.
    ASSERT_TRUE(rig.control.StartDecoder(DecoderType::Fax, 1700, 85, 0));
    rig.control.SetEnhanced(true);
    EXPECT_EQ(rig.host.restarts, 0);
    EXPECT_FALSE(rig.control.EnhancedChain());

    ASSERT_TRUE(rig.control.StartDecoder(DecoderType::SitorB, 1700, 85, 100));
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
    EXPECT_FALSE(rig.control.StartDecoder(DecoderType::SitorB, 1700, 85, 100));
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
    EXPECT_FALSE(noThreads.StartDecoder(DecoderType::SitorB, 1700, 85, 100));
    EXPECT_TRUE(host.reports.empty());
    EXPECT_FALSE(host.closed || noThreads.HasThread());

    // No devices at all: said at once, and the start fails the same way.
    Rig none;
    none.driver.numDevs = 0;
    none.control.BuildSources(true);
    EXPECT_FALSE(none.control.StartDecoder(DecoderType::SitorB, 1700, 85, 100));
    EXPECT_EQ(none.host.reports,
              (std::vector<std::string>{"no devices", "start failed", "none left after "}));
}

}  // namespace
}  // namespace wavelore
