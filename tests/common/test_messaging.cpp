#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "common/message_ids.h"
#include "common/sample_block.h"
#include "common/thread_message_queue.h"
#include "common/window_target.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;

// Counts its own destructions, to see that payloads are freed by themselves.
struct Tracked {
    explicit Tracked(std::atomic<int>* c) : count(c) {}
    Tracked(Tracked&& o) noexcept : count(o.count) { o.count = nullptr; }
    ~Tracked() {
        if (count) {
            ++*count;
        }
    }
    std::atomic<int>* count;
};

TEST(ThreadMessageQueue, PostGetPeekAndClosedQueueFreesPayloads) {
    CThreadMessageQueue queue;
    std::atomic<int> freed{0};
    EXPECT_FALSE(queue.Peek());
    ASSERT_TRUE(queue.Post(Message::With(WM_UPLOAD_REQUEST, 1, 2, Tracked(&freed))));
    ASSERT_TRUE(queue.Post(Message(MM_WIM_DATA, 0, 0)));
    EXPECT_TRUE(queue.Peek(MM_WIM_DATA));
    EXPECT_FALSE(queue.Peek(WM_DECODER_TUNE));
    EXPECT_EQ(queue.Size(), 2u);

    Message m;
    ASSERT_TRUE(queue.Get(m));
    EXPECT_EQ(m.id, WM_UPLOAD_REQUEST);
    EXPECT_NE(m.Get<Tracked>(), nullptr);
    EXPECT_EQ(m.Get<SampleBlock>(), nullptr);
    m = Message();
    EXPECT_EQ(freed, 1);

    ASSERT_TRUE(queue.Post(Message::With(WM_UPLOAD_REQUEST, 0, 0, Tracked(&freed))));
    queue.Close();
    EXPECT_EQ(freed, 2);  // queued payload freed by the close
    EXPECT_FALSE(queue.Post(Message::With(WM_UPLOAD_REQUEST, 0, 0, Tracked(&freed))));
    EXPECT_EQ(freed, 3);  // refused payload freed at once
    EXPECT_FALSE(queue.Get(m));
    EXPECT_FALSE(queue.GetFor(m, 1ms));
}

TEST(ThreadMessageQueue, CloseWakesABlockedGet) {
    CThreadMessageQueue queue;
    std::atomic<int> got{-1};
    std::thread owner([&] {
        Message m;
        got = queue.Get(m) ? 1 : 0;
    });
    // Closed only once the owner is blocked, so the wake-up is what ends Get.
    EXPECT_TRUE(test::Eventually([&] { return queue.Waiting() == 1; }));
    EXPECT_EQ(got, -1);
    queue.Close();
    owner.join();
    EXPECT_EQ(got, 0);
    EXPECT_EQ(queue.Waiting(), 0u);
}

TEST(QueueWindowTarget, SendReturnsAfterHandlerAndPostsKeepOrder) {
    CQueueWindowTarget target;
    std::vector<uint32_t> seen;
    std::thread sender([&] {
        Message spectrum(WM_DECODER_SPECTRUM, 7, 0);
        EXPECT_TRUE(target.Send(spectrum));
        EXPECT_EQ(spectrum.lParam, 99);  // the handler ran on this very message
        target.Post(Message(WM_DECODER_CPULOAD, 5, 0));
    });
    auto handler = [&](Message& m) {
        seen.push_back(m.id);
        if (m.id == WM_DECODER_SPECTRUM) {
            m.lParam = 99;
        }
    };
    while (seen.size() < 2) {
        target.DispatchOne(handler, 1000ms);
    }
    sender.join();
    EXPECT_EQ(seen, (std::vector<uint32_t>{WM_DECODER_SPECTRUM, WM_DECODER_CPULOAD}));
}

TEST(QueueWindowTarget, CloseReleasesAPendingSend) {
    CQueueWindowTarget target;
    std::atomic<bool> returned{false};
    std::thread sender([&] {
        Message m(WM_DECODER_SPECTRUM, 0, 0);
        EXPECT_FALSE(target.Send(m));
        returned = true;
    });
    EXPECT_TRUE(test::Eventually([&] { return target.WaitingSenders() == 1; }));
    EXPECT_FALSE(returned);
    target.Close();
    sender.join();
    EXPECT_TRUE(returned);
    Message late(WM_DECODER_SPECTRUM, 0, 0);
    EXPECT_FALSE(target.Send(late));
    EXPECT_FALSE(target.Post(Message(WM_DECODER_TEXT, 0, 0)));
}

TEST(QueueWindowTarget, CloseWhileAHandlerRunsWaitsForItAndReleasesTheQueuedSend) {
    CQueueWindowTarget target;
    std::promise<void> entered;
    std::promise<void> release;
    std::thread consumer([&, released = release.get_future()] {
        EXPECT_TRUE(target.DispatchOne(
            [&](Message& m) {
                entered.set_value();
                released.wait();
                m.lParam = 99;
            },
            10s));
    });
    Message handled(WM_DECODER_SPECTRUM, 1, 0);
    std::atomic<int> first{-1};
    std::atomic<int> second{-1};
    std::thread sender1([&] { first = target.Send(handled) ? 1 : 0; });
    entered.get_future().wait();
    std::thread sender2([&] {
        Message queued(WM_DECODER_SPECTRUM, 2, 0);
        second = target.Send(queued) ? 1 : 0;
    });
    EXPECT_TRUE(test::Eventually([&] { return target.WaitingSenders() == 2; }));

    target.Close();
    sender2.join();  // the queued Send is released unhandled
    EXPECT_EQ(second, 0);
    EXPECT_EQ(first, -1);  // the Send being handled waits for its handler
    release.set_value();
    sender1.join();
    consumer.join();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(handled.lParam, 99);

    Message late(WM_DECODER_SPECTRUM, 0, 0);
    EXPECT_FALSE(target.Send(late));
    EXPECT_FALSE(target.Post(Message(WM_DECODER_TEXT, 0, 0)));
    EXPECT_EQ(target.WaitingSenders(), 0u);
}

}  // namespace
}  // namespace wavelore
