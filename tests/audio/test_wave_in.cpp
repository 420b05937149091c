#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "audio/recording_wave_in.h"
#include "audio/wave_in_queue.h"
#include "common/message_ids.h"
#include "common/thread_message_queue.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;

using test::CVectorSampleSource;

std::vector<int16_t> Ramp(size_t count) {
    std::vector<int16_t> v(count);
    for (size_t i = 0; i < count; ++i) {
        v[i] = static_cast<int16_t>(i * 7 % 65536 - 32768);
    }
    return v;
}

struct Buffer {
    std::vector<int16_t> data = std::vector<int16_t>(2048);
    WaveHeader header{reinterpret_cast<char*>(data.data()), 4096, 0, 0};
};

WaveHeader* HeaderOf(const Message& m) {
    return reinterpret_cast<WaveHeader*>(static_cast<intptr_t>(m.lParam));
}

TEST(WaveInQueue, RefusesMisuseOfHeaders) {
    CWaveInQueue queue(nullptr);
    Buffer b;
    EXPECT_EQ(queue.Add(b.header), WAVERR_UNPREPARED);
    WaveHeader noData{nullptr, 4096, 0, 0};
    EXPECT_EQ(queue.Prepare(noData), MMSYSERR_INVALPARAM);
    WaveHeader odd{b.header.data, 4095, 0, 0};
    EXPECT_EQ(queue.Prepare(odd), MMSYSERR_INVALPARAM);
    ASSERT_EQ(queue.Prepare(b.header), MMSYSERR_NOERROR);
    EXPECT_EQ(b.header.flags, WHDR_PREPARED);
    ASSERT_EQ(queue.Add(b.header), MMSYSERR_NOERROR);
    EXPECT_EQ(queue.Add(b.header), WAVERR_STILLPLAYING);
    EXPECT_EQ(queue.Unprepare(b.header), WAVERR_STILLPLAYING);
    queue.ReturnAll();
    EXPECT_EQ(queue.Unprepare(b.header), MMSYSERR_NOERROR);
    EXPECT_EQ(b.header.flags & WHDR_PREPARED, 0u);
}

TEST(WaveInQueue, FillsInOrderAnnouncesFullBuffersAndReturnsTheRest) {
    CThreadMessageQueue notify;
    CWaveInQueue queue(&notify);
    Buffer a, b, c;
    for (Buffer* x : {&a, &b, &c}) {
        ASSERT_EQ(queue.Prepare(x->header), MMSYSERR_NOERROR);
        ASSERT_EQ(queue.Add(x->header), MMSYSERR_NOERROR);
    }
    const std::vector<int16_t> ramp = Ramp(2048 + 100);
    // Written in odd pieces; the cut must not show in the buffers.
    size_t done = 0;
    for (size_t piece : {1u, 1000u, 1047u, 100u}) {
        EXPECT_EQ(queue.Write(ramp.data() + done, piece), piece);
        done += piece;
    }
    Message m;
    ASSERT_TRUE(notify.GetFor(m, 0ms));
    EXPECT_EQ(m.id, MM_WIM_DATA);
    EXPECT_EQ(HeaderOf(m), &a.header);
    EXPECT_EQ(a.header.flags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(a.header.bytesRecorded, 4096u);
    EXPECT_TRUE(std::equal(a.data.begin(), a.data.end(), ramp.begin()));
    EXPECT_FALSE(notify.Peek());

    // A reset hands back b (partly filled) and c (empty), in queue order.
    queue.ReturnAll();
    ASSERT_TRUE(notify.GetFor(m, 0ms));
    EXPECT_EQ(HeaderOf(m), &b.header);
    EXPECT_EQ(b.header.bytesRecorded, 200u);
    EXPECT_EQ(b.data[99], ramp[2048 + 99]);
    ASSERT_TRUE(notify.GetFor(m, 0ms));
    EXPECT_EQ(HeaderOf(m), &c.header);
    EXPECT_EQ(c.header.bytesRecorded, 0u);
    EXPECT_EQ(c.header.flags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(queue.Announced(), 3u);
    // With nothing queued, samples find no room.
    EXPECT_EQ(queue.Write(ramp.data(), 10), 0u);
}

TEST(WaveInQueue, PadHeadCompletesOnlyAPartBuffer) {
    CThreadMessageQueue notify;
    CWaveInQueue queue(&notify);
    Buffer a;
    std::fill(a.data.begin(), a.data.end(), int16_t{5});
    queue.Prepare(a.header);
    queue.Add(a.header);
    queue.PadHead();
    EXPECT_FALSE(notify.Peek());  // an empty buffer is not delivered
    const int16_t one = 1;
    queue.Write(&one, 1);
    queue.PadHead();
    ASSERT_TRUE(notify.Peek(MM_WIM_DATA));
    EXPECT_EQ(a.header.bytesRecorded, 4096u);
    EXPECT_EQ(a.data[0], 1);
    EXPECT_TRUE(std::all_of(a.data.begin() + 1, a.data.end(), [](int16_t v) { return v == 0; }));
}

// Opens device 0 of a recording driver with the receiver's format.
std::unique_ptr<IWaveInDevice> OpenRecording(CRecordingWaveIn& driver,
                                             CThreadMessageQueue& notify) {
    std::unique_ptr<IWaveInDevice> device;
    EXPECT_EQ(driver.Open(0, WaveFormat{}, &notify, device), MMSYSERR_NOERROR);
    return device;
}

TEST(RecordingWaveIn, AsTakenDeliversEverySampleInOrderThenPadsAndEnds) {
    const std::vector<int16_t> ramp = Ramp(3 * 2048 + 100);
    for (size_t piece : {size_t{333}, size_t{100000}}) {
        SCOPED_TRACE(piece);
        CRecordingWaveIn driver(std::make_unique<CVectorSampleSource>(ramp, piece), u"rec.wav",
                                CRecordingWaveIn::Pace::AsTaken);
        EXPECT_EQ(driver.GetNumDevs(), 1u);
        WaveInCaps caps;
        ASSERT_EQ(driver.GetDevCaps(0, caps), MMSYSERR_NOERROR);
        EXPECT_EQ(caps.productName, u"rec.wav");
        CThreadMessageQueue notify;
        auto device = OpenRecording(driver, notify);
        ASSERT_TRUE(device);
        Buffer b1, b2;
        for (Buffer* b : {&b1, &b2}) {
            ASSERT_EQ(device->PrepareHeader(b->header), MMSYSERR_NOERROR);
            ASSERT_EQ(device->AddBuffer(b->header), MMSYSERR_NOERROR);
        }
        ASSERT_EQ(device->Start(), MMSYSERR_NOERROR);
        std::vector<int16_t> got;
        Message m;
        while (got.size() < 4 * 2048 && notify.GetFor(m, 5s)) {
            WaveHeader* h = HeaderOf(m);
            ASSERT_EQ(h->bytesRecorded, 4096u);
            const auto* s = reinterpret_cast<const int16_t*>(h->data);
            got.insert(got.end(), s, s + 2048);
            ASSERT_EQ(device->AddBuffer(*h), MMSYSERR_NOERROR);
        }
        ASSERT_EQ(got.size(), 4u * 2048);
        EXPECT_TRUE(std::equal(ramp.begin(), ramp.end(), got.begin()));
        EXPECT_TRUE(
            std::all_of(got.begin() + ramp.size(), got.end(), [](int16_t v) { return v == 0; }));
        for (int i = 0; i < 100 && !driver.Ended(); ++i) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_TRUE(driver.Ended());
        EXPECT_EQ(driver.BuffersDelivered(), 4u);
        EXPECT_EQ(driver.SamplesLost(), 0u);
        // The end is announced after the last buffer; then all is silent.
        ASSERT_TRUE(notify.GetFor(m, 50ms));
        EXPECT_EQ(m.id, WM_SOUND_ENDED);
        EXPECT_FALSE(notify.GetFor(m, 50ms));
        EXPECT_EQ(device->Close(), MMSYSERR_NOERROR);
    }
}

TEST(RecordingWaveIn, ResetReturnsQueuedBuffersAndStartResumes) {
    CRecordingWaveIn driver(std::make_unique<CVectorSampleSource>(Ramp(4 * 2048), 4096), u"r",
                            CRecordingWaveIn::Pace::AsTaken);
    CThreadMessageQueue notify;
    auto device = OpenRecording(driver, notify);
    Buffer b1;
    device->PrepareHeader(b1.header);
    device->AddBuffer(b1.header);
    // Not started: nothing arrives.
    Message m;
    EXPECT_FALSE(notify.GetFor(m, 50ms));
    ASSERT_EQ(device->Reset(), MMSYSERR_NOERROR);
    ASSERT_TRUE(notify.GetFor(m, 0ms));
    EXPECT_EQ(HeaderOf(m), &b1.header);
    EXPECT_EQ(b1.header.bytesRecorded, 0u);
    EXPECT_TRUE(b1.header.flags & WHDR_DONE);
    // Started again, capture begins at the recording's start.
    device->AddBuffer(b1.header);
    device->Start();
    ASSERT_TRUE(notify.GetFor(m, 5s));
    EXPECT_EQ(b1.data[1], Ramp(2)[1]);
    // The device refuses a second opener and foreign formats.
    std::unique_ptr<IWaveInDevice> second;
    EXPECT_EQ(driver.Open(0, WaveFormat{}, &notify, second), MMSYSERR_ALLOCATED);
    device->Close();
    WaveFormat stereo;
    stereo.channels = 2;
    stereo.blockAlign = 4;
    stereo.avgBytesPerSec = 44100;
    EXPECT_EQ(driver.Open(0, stereo, &notify, second), WAVERR_BADFORMAT);
    EXPECT_EQ(driver.Open(1, WaveFormat{}, &notify, second), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(driver.Open(0, WaveFormat{}, &notify, second), MMSYSERR_NOERROR);
}

TEST(RecordingWaveIn, RealTimePaceTakesTheRecordingsDurationAndDropsUncollectedSamples) {
    const size_t total = 3 * 2048;
    CRecordingWaveIn driver(std::make_unique<CVectorSampleSource>(Ramp(total), total), u"r",
                            CRecordingWaveIn::Pace::RealTime);
    CThreadMessageQueue notify;
    auto device = OpenRecording(driver, notify);
    // One buffer only, never handed back: the rest falls on the floor.
    Buffer b1;
    device->PrepareHeader(b1.header);
    device->AddBuffer(b1.header);
    const auto t0 = std::chrono::steady_clock::now();
    device->Start();
    Message m;
    ASSERT_TRUE(notify.GetFor(m, 5s));
    for (int i = 0; i < 500 && !driver.Ended(); ++i) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(driver.Ended());
    // A lower bound only: the device must not run ahead of the clock.
    EXPECT_GE(std::chrono::steady_clock::now() - t0,
              std::chrono::milliseconds(total * 1000 / 11025 - 50));
    EXPECT_EQ(driver.SamplesLost(), total - 2048);
    EXPECT_EQ(driver.BuffersDelivered(), 1u);
}

// A thread is a resource like memory: when none can be had, opening fails
// with a code, as any other open failure does, and a later open succeeds.
TEST(RecordingWaveInDeathTest, OpenFailsWithACodeWhenNoThreadCanStart) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers need more address space than this test leaves";
#else
    CRecordingWaveIn driver(std::make_unique<CVectorSampleSource>(Ramp(2048), 2048), u"r",
                            CRecordingWaveIn::Pace::AsTaken);
    CThreadMessageQueue notify;
    EXPECT_EXIT(
        {
            // Address space for what the process holds and a little more,
            // not for a thread's stack.
            size_t pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            const rlim_t unlimited = limit.rlim_cur;
            limit.rlim_cur = pages * static_cast<size_t>(sysconf(_SC_PAGESIZE)) + (1 << 20);
            setrlimit(RLIMIT_AS, &limit);
            std::unique_ptr<IWaveInDevice> device;
            const MmResult failed = driver.Open(0, WaveFormat{}, &notify, device);
            limit.rlim_cur = unlimited;
            setrlimit(RLIMIT_AS, &limit);
            std::unique_ptr<IWaveInDevice> retry;
            const bool ok = failed == MMSYSERR_NOMEM && !device &&
                            driver.Open(0, WaveFormat{}, &notify, retry) == MMSYSERR_NOERROR;
            retry.reset();
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
#endif
}

TEST(RecordingWaveIn, OpensRecordingFilesThroughTheAudioFileReader) {
    test::ScopedTempDir dir;
    std::string error;
    EXPECT_EQ(OpenRecordingSource("missing.wav", error), nullptr);
    EXPECT_NE(error.find("missing.wav"), std::string::npos) << error;

    const std::string raw = {'\x01', '\x00', '\xff', '\x7f', '\x00', '\x80'};
    test::WriteFile("three.raw", raw);
    error.clear();
    auto source = OpenRecordingSource("three.raw", error);
    ASSERT_NE(source, nullptr) << error;
    int16_t out[8] = {};
    EXPECT_EQ(source->Read(out, 8), 3u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 32767);
    EXPECT_EQ(out[2], -32768);
    EXPECT_EQ(source->Read(out, 8), 0u);
    EXPECT_EQ(source->Error(), "");
}

}  // namespace
}  // namespace wavelore
