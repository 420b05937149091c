#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/message_ids.h"
#include "common/sample_block.h"
#include "common/thread_message_queue.h"
#include "common/window_target.h"

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
    std::thread owner([&] {
        Message m;
        EXPECT_FALSE(queue.Get(m));
    });
    std::this_thread::sleep_for(20ms);
    queue.Close();
    owner.join();
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
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(returned);
    target.Close();
    sender.join();
    EXPECT_TRUE(returned);
    Message late(WM_DECODER_SPECTRUM, 0, 0);
    EXPECT_FALSE(target.Send(late));
    EXPECT_FALSE(target.Post(Message(WM_DECODER_TEXT, 0, 0)));
}

}  // namespace
}  // namespace wavelore
