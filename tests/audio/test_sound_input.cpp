#include <gtest/gtest.h>

#include "audio/sound_input.h"
#include "common/message_ids.h"
#include "common/thread_message_queue.h"
#include "support/fake_wave_in.h"

namespace wavelore {
namespace {

using test::CFakeWaveIn;
using test::CRecordingNotifier;

struct SoundInputTest : ::testing::Test {
    CFakeWaveIn driver;
    CThreadMessageQueue queue;
    CRecordingNotifier notifier;

    std::vector<std::string> OpenAndGetMessages(MmResult expected) {
        CSoundInput input(driver, queue, notifier);
        EXPECT_EQ(input.Open(0), expected);
        EXPECT_FALSE(input.Started());
        return notifier.Messages();
    }
};

TEST_F(SoundInputTest, OpensElevenKilohertzMonoSixteenBitAndQueuesBothBuffers) {
    CSoundInput input(driver, queue, notifier);
    ASSERT_EQ(input.Open(0), MMSYSERR_NOERROR);
    EXPECT_TRUE(input.Started());
    ASSERT_TRUE(driver.lastFormat.has_value());
    const WaveFormat& f = *driver.lastFormat;
    EXPECT_EQ(f.formatTag, 1);
    EXPECT_EQ(f.channels, 1);
    EXPECT_EQ(f.samplesPerSec, 11025u);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.blockAlign, 2);
    EXPECT_EQ(f.avgBytesPerSec, 22050u);
    EXPECT_EQ(f.cbSize, 0);
    EXPECT_EQ(driver.Queued(), 2u);
    EXPECT_EQ(driver.starts, 1);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(SoundInputTest, EachFailureShowsItsTextAndReturnsTheCode) {
    driver.numDevs = 0;
    {
        CSoundInput input(driver, queue, notifier);
        // No device: reported, but as success; the following start fails.
        EXPECT_EQ(input.Open(0), MMSYSERR_NOERROR);
        EXPECT_FALSE(input.Started());
        EXPECT_EQ(input.Restart(), MMSYSERR_INVALHANDLE);
    }
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"ERROR: No sound device detected"});

    struct Case {
        const char* text;
        void (*arrange)(CFakeWaveIn&);
        MmResult code;
    };
    const Case cases[] = {
        {"ERROR: waveInGetDevCaps failed", [](CFakeWaveIn& d) { d.capsResult = MMSYSERR_NODRIVER; },
         MMSYSERR_NODRIVER},
        {"ERROR: waveInOpen failed", [](CFakeWaveIn& d) { d.openResult = WAVERR_BADFORMAT; },
         WAVERR_BADFORMAT},
        {"ERROR: waveInPrepareHeader 1 failed",
         [](CFakeWaveIn& d) {
             d.failPrepareNumber = 1;
             d.prepareResult = MMSYSERR_NOMEM;
         },
         MMSYSERR_NOMEM},
        {"ERROR: waveInPrepareHeader 2 failed",
         [](CFakeWaveIn& d) {
             d.failPrepareNumber = 2;
             d.prepareResult = MMSYSERR_INVALPARAM;
         },
         MMSYSERR_INVALPARAM},
        // A header left with other flags than "prepared" counts as failed too.
        {"ERROR: waveInPrepareHeader 1 failed",
         [](CFakeWaveIn& d) { d.extraPreparedFlags = WHDR_DONE; }, MMSYSERR_ERROR},
        {"ERROR: waveInAddBuffer 1 failed", [](CFakeWaveIn& d) { d.failAddNumber = 1; },
         MMSYSERR_NOMEM},
        {"ERROR: waveInAddBuffer 2 failed", [](CFakeWaveIn& d) { d.failAddNumber = 2; },
         MMSYSERR_NOMEM},
        {"ERROR: waveInStart failed", [](CFakeWaveIn& d) { d.startResult = MMSYSERR_ERROR; },
         MMSYSERR_ERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CFakeWaveIn fresh;
        c.arrange(fresh);
        CRecordingNotifier shown;
        CSoundInput input(fresh, queue, shown);
        EXPECT_EQ(input.Open(0), c.code);
        EXPECT_FALSE(input.Started());
        EXPECT_EQ(shown.Messages(), std::vector<std::string>{c.text});
    }
}

TEST_F(SoundInputTest, BuffersRotateStrictlyAndTheCurrentOneIsACopy) {
    CSoundInput input(driver, queue, notifier);
    ASSERT_EQ(input.Open(0), MMSYSERR_NOERROR);
    for (int16_t round = 1; round <= 5; ++round) {
        ASSERT_TRUE(driver.Deliver({round, static_cast<int16_t>(-round)}));
        Message m;
        ASSERT_TRUE(queue.GetFor(m, std::chrono::milliseconds(100)));
        EXPECT_EQ(m.id, MM_WIM_DATA);
        ASSERT_EQ(input.Requeue(), MMSYSERR_NOERROR);
        // The buffer is back in the queue (behind the other one) at once.
        EXPECT_EQ(driver.Queued(), 2u);
        // The device refills the other buffer and then this very one; what
        // is being read must not change under the reader.
        ASSERT_TRUE(driver.Deliver({99}));
        ASSERT_TRUE(driver.Deliver({98}));
        EXPECT_EQ(input.CurrentSamples()[0], round);
        EXPECT_EQ(input.CurrentSamples()[1], -round);
        EXPECT_EQ(input.CurrentSamples()[kSamplesPerBuffer - 1], -round);
        // The header that came with the message is not consulted: buffers
        // are taken strictly in turn.
        for (int16_t expected : {99, 98}) {
            ASSERT_TRUE(queue.GetFor(m, std::chrono::milliseconds(100)));
            ASSERT_EQ(input.Requeue(), MMSYSERR_NOERROR);
            EXPECT_EQ(input.CurrentSamples()[0], expected);
        }
    }
}

TEST_F(SoundInputTest, AFailedRequeueShowsItsBufferAndKeepsTheTurn) {
    CSoundInput input(driver, queue, notifier);
    ASSERT_EQ(input.Open(0), MMSYSERR_NOERROR);
    ASSERT_TRUE(driver.Deliver({7}));
    driver.failAddNumber = driver.adds + 1;
    EXPECT_EQ(input.Requeue(), MMSYSERR_NOMEM);
    EXPECT_EQ(input.CurrentSamples()[0], 7);
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"ERROR: waveInAddBuffer 1 failed"});
    // The turn stays with buffer 1, which now goes back.
    ASSERT_EQ(input.Requeue(), MMSYSERR_NOERROR);
    ASSERT_TRUE(driver.Deliver({8}));
    driver.failAddNumber = driver.adds + 1;
    EXPECT_EQ(input.Requeue(), MMSYSERR_NOMEM);
    EXPECT_EQ(notifier.Messages().back(), "ERROR: waveInAddBuffer 2 failed");
}

TEST_F(SoundInputTest, DestructionResetsAndClosesTheDevice) {
    {
        CSoundInput input(driver, queue, notifier);
        ASSERT_EQ(input.Open(0), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(driver.resets, 1);
    EXPECT_EQ(driver.closes, 1);
    // The two queued buffers were returned before the memory went away.
    EXPECT_EQ(queue.Size(), 2u);
}

}  // namespace
}  // namespace wavelore
