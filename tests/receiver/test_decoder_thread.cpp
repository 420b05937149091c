#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

#include "audio/recording_wave_in.h"
#include "common/chain_quality.h"
#include "display/level_meter.h"
#include "dsp/amtor_decoder.h"
#include "dsp/fsk_demodulator.h"
#include "dsp/sitor_b_decoder.h"
#include "receiver/decoder_thread.h"
#include "receiver/receive_chain.h"
#include "support/decode_chain.h"
#include "support/decoder_thread_support.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;
using test::CCollectingTarget;
using test::CFakeWaveIn;
using test::CRecordingNotifier;
using test::SeenMessage;

// Every reading: half of the new time idle.
class CHalfBusy final : public ICpuTimesSource {
  public:
    bool Read(uint64_t& idle, uint64_t& total) override {
        m_ticks += 100;
        idle = m_ticks / 2;
        total = m_ticks;
        return true;
    }

  private:
    uint64_t m_ticks = 0;
};

std::vector<int16_t> Slice(const std::vector<int16_t>& all, size_t block) {
    return std::vector<int16_t>(all.begin() + block * 2048, all.begin() + (block + 1) * 2048);
}

std::vector<uint32_t> Ids(const std::vector<SeenMessage>& seen) {
    std::vector<uint32_t> ids;
    for (const SeenMessage& m : seen) {
        ids.push_back(m.id);
    }
    return ids;
}

struct DecoderThreadTest : ::testing::Test {
    CFakeWaveIn driver;
    CRecordingNotifier notifier;
    CHalfBusy cpu;
    CCollectingTarget target;
    std::unique_ptr<CDecoderThread> thread =
        std::make_unique<CDecoderThread>(driver, notifier, &cpu);
    size_t delivered = 0;
    bool enhanced = false;  // the weak-signal chain for SITOR-B

    bool Start(int32_t type, int32_t centre = 1700, int32_t baud = 100) {
        return thread->Start(
            ChainSettings{static_cast<DecoderType>(type), centre, 85, baud, enhanced}, &target, 0);
    }

    // Delivers blocks and waits until the thread has dealt with each.
    void Deliver(const std::vector<int16_t>& samples, size_t first, size_t count) {
        for (size_t b = first; b < first + count; ++b) {
            ASSERT_TRUE(driver.Deliver(Slice(samples, b)));
            ++delivered;
            ASSERT_TRUE(target.WaitForLoads(delivered)) << "block " << b;
        }
    }
};

TEST_F(DecoderThreadTest, EachBufferGivesSpectrumSentThenSignalThenLoadScaledByOneHundredth) {
    ASSERT_TRUE(Start(1));
    std::vector<int16_t> samples(2048, 0);
    samples[0] = -32768;
    samples[1] = 32767;
    samples[2] = 1;
    Deliver(samples, 0, 1);
    Deliver(samples, 0, 1);
    const auto seen = target.Seen();
    const std::vector<uint32_t> perBuffer = {WM_DECODER_SPECTRUM, WM_DECODER_SIGNAL,
                                             WM_DECODER_CPULOAD};
    std::vector<uint32_t> twice = perBuffer;
    twice.insert(twice.end(), perBuffer.begin(), perBuffer.end());
    EXPECT_EQ(Ids(seen), twice);
    EXPECT_TRUE(seen[0].sent);
    EXPECT_FALSE(seen[1].sent);
    EXPECT_FALSE(seen[2].sent);
    ASSERT_EQ(seen[0].block.size(), 2048u);
    EXPECT_DOUBLE_EQ(seen[0].block[0], -327.68);
    EXPECT_DOUBLE_EQ(seen[0].block[1], 327.67);
    EXPECT_DOUBLE_EQ(seen[0].block[2], 0.01);
    EXPECT_EQ(seen[1].block.size(), 2048u);
    // The load figure: 0 at the first reading, then the busy share.
    EXPECT_EQ(seen[2].wParam, 0);
    EXPECT_EQ(seen[5].wParam, 50);
}

TEST_F(DecoderThreadTest, TextChunksAndCountsMatchTheChainRunBufferByBuffer) {
    // Noisy enough for errors in buffers that print nothing.
    const auto audio = test::NavtexAudio(1700, 2.0);
    const size_t blocks = audio.samples.size() / 2048;
    ASSERT_TRUE(Start(1));
    Deliver(audio.samples, 0, blocks);

    CFskDemodulator fsk(11025, 1785, 1615, 100);
    CSitorBDecoder decoder(11025, 100);
    std::vector<DecoderText> expected;
    bool carried = false;
    for (size_t b = 0; b < blocks; ++b) {
        SampleBlock block(nullptr, 2048);
        for (int i = 0; i < 2048; ++i) {
            block[i] = audio.samples[b * 2048 + i] * 0.01;
        }
        std::u16string text = test::Decode(decoder, test::Demodulate(fsk, block));
        if (!text.empty()) {
            expected.push_back({text, decoder.GoodCount(), decoder.ErrorCount()});
            decoder.ResetCounts();
        } else if (decoder.GoodCount() + decoder.ErrorCount() > 0) {
            carried = true;
        }
    }
    ASSERT_TRUE(carried) << "the recording should have counted buffers without text";
    const auto texts = target.Texts();
    ASSERT_EQ(texts.size(), expected.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].text, expected[i].text) << i;
        EXPECT_EQ(texts[i].good, expected[i].good) << i;
        EXPECT_EQ(texts[i].errors, expected[i].errors) << i;
    }
    // Per buffer: spectrum, signal, text only when there was some, load.
    size_t spectra = 0;
    for (const SeenMessage& m : target.Seen()) {
        spectra += m.id == WM_DECODER_SPECTRUM;
    }
    EXPECT_EQ(spectra, blocks);
}

TEST_F(DecoderThreadTest, CleanSignalDecodesAndRetuneFollowsTheSignal) {
    // Started at 1700 Hz, retuned (through the thread's queue) to the
    // signal at 1000 Hz before its first buffer.
    const auto audio = test::NavtexAudio(1000, std::nullopt);
    ASSERT_NE(test::Narrow(audio.expectedText).find("ZCZC EA12"), std::string::npos);
    ASSERT_TRUE(Start(1));
    ASSERT_TRUE(thread->PostTune(1000, 85));
    Deliver(audio.samples, 0, audio.samples.size() / 2048);
    EXPECT_EQ(test::Narrow(target.AllText()), test::Narrow(audio.expectedText));
}

// A search finds the signal only after its first header went by at the
// old tuning. The enhanced chain decodes the seconds it keeps again on the
// new tuning: the text is whole, header and all, and none of it twice.
TEST_F(DecoderThreadTest, ARetuneOfTheEnhancedChainKeepsTheHeaderThatWentBy) {
    const auto audio = test::NavtexAudio(1000, 15.0);
    enhanced = true;
    ASSERT_TRUE(Start(1));
    const size_t retuneAt = 32;  // 5.9 s: phasing from 1.5 s, the header from 3.5 s
    Deliver(audio.samples, 0, retuneAt);
    EXPECT_EQ(test::Narrow(target.AllText()), "");
    ASSERT_TRUE(thread->PostTune(1000, 85));
    Deliver(audio.samples, retuneAt, audio.samples.size() / 2048 - retuneAt);
    EXPECT_EQ(test::Narrow(target.AllText()), test::Narrow(audio.expectedText));
}

// The level meter's model, fed what came with each spectrum as the window
// feeds it: the weak-signal chain's figure rises from noise to the signal's
// and its lock shows while the broadcast is decoded; the plain chain gives
// no figures, so the meter shows none.
TEST_F(DecoderThreadTest, TheWeakSignalChainsFiguresReachTheLevelMeterWithEachSpectrum) {
    const auto audio = test::NavtexAudio(1700, 15.0);
    const size_t blocks = audio.samples.size() / 2048;
    std::mutex mutex;
    std::vector<std::optional<ChainQuality>> figures;
    target.onSend = [&](Message& m) {
        std::lock_guard<std::mutex> lock(mutex);
        figures.push_back(ChainQualityOf(m));
    };
    enhanced = true;
    ASSERT_TRUE(Start(1));
    Deliver(audio.samples, 0, blocks);

    CLevelMeter meter;
    std::vector<double> snrDb;
    int lockedBuffers = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ASSERT_EQ(figures.size(), blocks);
        for (const auto& f : figures) {
            meter.SetChainState(f);
            ASSERT_TRUE(meter.HasChainState());
            snrDb.push_back(meter.SignalToNoiseDb().value_or(-99.0));
            lockedBuffers += meter.Locked() ? 1 : 0;
        }
    }
    // Noise alone before the broadcast (its first 2 s: 11 buffers; the
    // first figures settle), then the signal, locked, until it ends.
    EXPECT_LT(*std::max_element(snrDb.begin() + 3, snrDb.begin() + 9), 6.0);
    EXPECT_GT(*std::min_element(snrDb.begin() + 12, snrDb.begin() + 60), 25.0);
    EXPECT_FALSE(figures.front()->locked);
    EXPECT_GT(lockedBuffers, static_cast<int>(blocks) / 2);
    EXPECT_FALSE(figures.back()->locked);

    enhanced = false;
    ASSERT_TRUE(Start(1));
    Deliver(audio.samples, 0, 2);
    std::lock_guard<std::mutex> lock(mutex);
    meter.SetChainState(figures.back());
    EXPECT_FALSE(meter.HasChainState());
    EXPECT_FALSE(meter.SignalToNoiseDb().has_value());
}

TEST_F(DecoderThreadTest, InvertedSignalDecodesWithBitSense) {
    const auto audio = test::NavtexAudio(1700, std::nullopt, /*invert=*/true);
    ASSERT_TRUE(Start(1));
    EXPECT_FALSE(thread->SetBitSense(true));
    EXPECT_TRUE(thread->SetBitSense(true));
    Deliver(audio.samples, 0, audio.samples.size() / 2048);
    EXPECT_EQ(test::Narrow(target.AllText()), test::Narrow(audio.expectedText));
}

TEST_F(DecoderThreadTest, FaxAndDpskGiveOnlySpectrumAndLoad) {
    test::ScopedTempDir dir;
    test::WriteFile("fax.raw", "old picture");
    const auto audio = test::NavtexAudio(1700, std::nullopt);
    ASSERT_TRUE(Start(3));
    EXPECT_TRUE(std::filesystem::exists("fax.raw"));
    EXPECT_EQ(std::filesystem::file_size("fax.raw"), 0u);
    EXPECT_FALSE(thread->SetBitSense(true));  // nothing to invert
    Deliver(audio.samples, 0, 8);
    ASSERT_TRUE(Start(5));
    ASSERT_TRUE(thread->PostTune(1500, 85));  // DPSK retunes without output
    Deliver(audio.samples, 8, 8);
    for (const SeenMessage& m : target.Seen()) {
        EXPECT_TRUE(m.id == WM_DECODER_SPECTRUM || m.id == WM_DECODER_CPULOAD) << m.id;
    }
    EXPECT_EQ(target.Seen().size(), 32u);
}

TEST_F(DecoderThreadTest, ModeChangeInsideTheSpectrumHandlerKeepsTheDeviceAndEveryBuffer) {
    const auto audio = test::NavtexAudio(1700, std::nullopt);
    const size_t blocks = audio.samples.size() / 2048;
    const size_t change = 20;
    ASSERT_TRUE(Start(1));
    // The handler runs while the thread waits in Send, outside its lock.
    std::atomic<size_t> spectra{0};
    target.onSend = [&](Message&) {
        if (++spectra == change + 1) {
            EXPECT_TRUE(Start(4));
        }
    };
    Deliver(audio.samples, 0, blocks);
    EXPECT_EQ(driver.opens, 1);
    EXPECT_EQ(spectra.load(), blocks);

    // From the changed buffer on, a fresh AMTOR chain decodes.
    CAmtorDecoder amtor(11025, 100);
    const std::vector<int16_t> rest(audio.samples.begin() + change * 2048,
                                    audio.samples.begin() + blocks * 2048);
    const std::u16string afterChange = test::RunChain(rest, amtor, 1700, 170, 100).text;
    ASSERT_FALSE(afterChange.empty());
    const std::u16string all = target.AllText();
    ASSERT_GE(all.size(), afterChange.size());
    EXPECT_EQ(test::Narrow(all.substr(all.size() - afterChange.size())), test::Narrow(afterChange));
}

TEST_F(DecoderThreadTest, AfterAStopRequestOnlyLoadMessagesArrive) {
    const auto audio = test::NavtexAudio(1700, std::nullopt);
    ASSERT_TRUE(Start(1));
    Deliver(audio.samples, 0, 3);
    EXPECT_TRUE(thread->Capturing());
    const size_t before = target.Seen().size();
    thread->RequestStop();
    // The filled buffer resets the device, which returns the other one.
    ASSERT_TRUE(driver.Deliver(Slice(audio.samples, 3)));
    ASSERT_TRUE(target.WaitForLoads(5));
    const auto seen = target.Seen();
    ASSERT_EQ(seen.size(), before + 2);
    EXPECT_EQ(seen[before].id, WM_DECODER_CPULOAD);
    EXPECT_EQ(seen[before + 1].id, WM_DECODER_CPULOAD);
    EXPECT_EQ(driver.resets, 1);
    EXPECT_FALSE(thread->Capturing());
    EXPECT_EQ(driver.Queued(), 0u);
}

// The enhanced chain decides each character with the next ones in view and
// holds the last ones back. When a recording ends (its device announces the
// end after the last buffer) they come out before WM_DECODER_ENDED; when a
// stop takes effect, before Capturing() turns false. Either way the text is
// that of decoding the same audio as a file.
TEST_F(DecoderThreadTest, TextHeldBackComesOutAtTheEndOfARecordingAndAtAStop) {
    const auto audio = test::NavtexAudio(1700, 15.0);
    const size_t blocks = 40;  // cut off in the middle of the message
    std::u16string expected;
    std::u16string heldBack;
    {
        auto chain = CReceiveChain::Create(
            ChainSettings{DecoderType::SitorB, 1700, 85, 100, /*enhanced=*/true});
        ASSERT_TRUE(chain);
        for (size_t b = 0; b < blocks; ++b) {
            SampleBlock block(nullptr, 2048);
            for (int i = 0; i < 2048; ++i) {
                block[i] = audio.samples[b * 2048 + static_cast<size_t>(i)] * 0.01;
            }
            expected += test::Process(*chain, block).text;
        }
        heldBack = std::u16string(chain->Finish().text);
    }
    ASSERT_NE(test::Narrow(expected).find("ZCZC EA12"), std::string::npos);
    ASSERT_FALSE(heldBack.empty());
    expected += heldBack;

    enhanced = true;
    ASSERT_TRUE(Start(1));
    Deliver(audio.samples, 0, blocks);
    ASSERT_TRUE(thread->PostThreadMessage(Message(WM_SOUND_ENDED, 0, 0)));
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (target.Seen().back().id != WM_DECODER_ENDED &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    auto seen = target.Seen();
    ASSERT_EQ(seen.back().id, WM_DECODER_ENDED);
    ASSERT_EQ(seen[seen.size() - 2].id, WM_DECODER_TEXT);
    EXPECT_EQ(test::Narrow(target.AllText()), test::Narrow(expected));

    // Started afresh on the same device, then stopped at the same place.
    ASSERT_TRUE(Start(1));
    const size_t before = target.Texts().size();
    Deliver(audio.samples, 0, blocks);
    thread->RequestStop();
    ASSERT_TRUE(driver.Deliver(Slice(audio.samples, blocks)));
    ASSERT_TRUE(target.WaitForLoads(++delivered + 1));
    EXPECT_FALSE(thread->Capturing());
    std::u16string afterStart;
    const auto texts = target.Texts();
    for (size_t i = before; i < texts.size(); ++i) {
        afterStart += texts[i].text;
    }
    EXPECT_EQ(test::Narrow(afterStart), test::Narrow(expected));
}

TEST_F(DecoderThreadTest, StartFailures) {
    // Unknown types and impossible speeds fail before the device is touched.
    EXPECT_FALSE(Start(0));
    EXPECT_FALSE(Start(7));
    EXPECT_FALSE(Start(1, 1700, 0));
    EXPECT_EQ(driver.opens, 0);

    ASSERT_TRUE(Start(1));
    // An invalid type later leaves capture alone.
    EXPECT_FALSE(Start(9));
    EXPECT_EQ(driver.closes, 0);
    EXPECT_TRUE(Start(6));
    EXPECT_EQ(driver.opens, 1);
}

TEST(DecoderThreadDevice, NoDeviceShowsTheMessageAndFailsEvenWhenRetried) {
    CFakeWaveIn driver;
    driver.numDevs = 0;
    CRecordingNotifier notifier;
    CCollectingTarget target;
    CDecoderThread thread(driver, notifier);
    EXPECT_FALSE(thread.Start(ChainSettings{}, &target, 0));
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"ERROR: No sound device detected"});
    // A thread whose capture never started does not claim it later.
    EXPECT_FALSE(thread.Start(ChainSettings{}, &target, 0));
}

TEST(DecoderThreadDevice, ARefusedFormatFailsTheStart) {
    CFakeWaveIn driver;
    driver.openResult = WAVERR_BADFORMAT;
    CRecordingNotifier notifier;
    CCollectingTarget target;
    CDecoderThread thread(driver, notifier);
    EXPECT_FALSE(thread.Start(ChainSettings{}, &target, 0));
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"ERROR: waveInOpen failed"});
}

TEST(DecoderThreadDevice, AThreadThatCannotBeMadeFailsTheStartBeforeTheDevice) {
    CFakeWaveIn driver;
    CRecordingNotifier notifier;
    CCollectingTarget target;
    CDecoderThread thread(driver, notifier, nullptr,
                          [](std::thread&, std::function<void()>) { return false; });
    EXPECT_FALSE(thread.Running());
    EXPECT_FALSE(thread.Start(ChainSettings{}, &target, 0));
    EXPECT_EQ(driver.opens, 0);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST(DecoderThreadShutdown, EndsPromptlyWhileASendIsPending) {
    CFakeWaveIn driver;
    CRecordingNotifier notifier;
    CQueueWindowTarget target;  // never drained: the first Send blocks
    auto thread = std::make_unique<CDecoderThread>(driver, notifier);
    ASSERT_TRUE(thread->Start(ChainSettings{}, &target, 0));
    ASSERT_TRUE(driver.Deliver(std::vector<int16_t>(2048, 5)));
    ASSERT_TRUE(driver.Deliver(std::vector<int16_t>(2048, 6)));
    EXPECT_TRUE(test::Eventually([&] { return target.WaitingSenders() == 1; }));
    test::WithinSeconds(10, [&] {
        target.Close();
        thread.reset();
    });
    EXPECT_EQ(driver.closes, 1);
}

TEST(DecoderThreadShutdown, EndsPromptlyDuringCaptureOfARecording) {
    const auto audio = test::NavtexAudio(1700, 0.0);
    CRecordingWaveIn driver(std::make_unique<test::CVectorSampleSource>(audio.samples, 100000),
                            u"rec", CRecordingWaveIn::Pace::AsTaken);
    CRecordingNotifier notifier;
    CQueueWindowTarget target;
    auto thread = std::make_unique<CDecoderThread>(driver, notifier);
    ASSERT_TRUE(thread->Start(ChainSettings{}, &target, 0));
    // The main thread drains a few buffers' messages, then closes.
    size_t handled = 0;
    while (handled < 20 && target.DispatchOne([](Message&) {}, 5s)) {
        ++handled;
    }
    EXPECT_EQ(handled, 20u);
    test::WithinSeconds(10, [&] {
        thread->RequestStop();
        target.Close();
        thread.reset();
    });
}

}  // namespace
}  // namespace wavelore
