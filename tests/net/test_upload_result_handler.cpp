#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "common/window_target.h"
#include "net/upload_result_handler.h"
#include "net/upload_worker.h"
#include "support/loopback_server.h"
#include "support/upload_fakes.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;
using test::FakeFactory;
using test::FakeService;
using test::Job;
using test::LoopbackFactory;
using test::LoopbackServer;
using test::NextResult;

TEST(UploadResultHandler, FailedRequestIsRetriedBehindTheOthers) {
    FakeService service;
    service.failingUid = u"A";
    service.gateClosed = true;  // let all three queue up first
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, FakeFactory(service));
    worker.SetFailurePause(1ms);
    CUploadResultHandler handler(&worker);
    ASSERT_TRUE(worker.Start());
    for (const char16_t* uid : {u"A", u"B", u"C"}) {
        ASSERT_TRUE(worker.Post(Job(uid)));
    }
    service.OpenGate();
    while (handler.Delivered() < 2 || handler.Requeued() < 3) {
        ASSERT_TRUE(NextResult(owner, &handler));
    }
    std::lock_guard<std::mutex> lock(service.mutex);
    ASSERT_GE(service.uids.size(), 5u);
    EXPECT_EQ(std::vector<std::u16string>(service.uids.begin(), service.uids.begin() + 5),
              (std::vector<std::u16string>{u"A", u"B", u"C", u"A", u"A"}));
    EXPECT_EQ(handler.Lost(), 0u);
}

TEST(UploadResultHandler, UnreachableServiceIsRetriedWhileLaterMessagesGoOut) {
    LoopbackServer live;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, LoopbackFactory());
    worker.SetFailurePause(10ms);
    CUploadResultHandler handler(&worker);
    ASSERT_TRUE(worker.Start());

    const std::string port = std::to_string(test::UnusedLoopbackPort());
    ASSERT_TRUE(worker.Post(Job(u"A", u"127.0.0.1:" + std::u16string(port.begin(), port.end()))));
    const std::string livePort = live.Host();
    const std::u16string liveHost(livePort.begin(), livePort.end());
    ASSERT_TRUE(worker.Post(Job(u"B", liveHost)));
    ASSERT_TRUE(worker.Post(Job(u"C", liveHost)));
    int failures = 0;
    while (handler.Delivered() < 2 || failures < 3) {
        auto r = NextResult(owner, &handler);
        ASSERT_TRUE(r);
        if (r->status <= 0) {
            EXPECT_EQ(r->uid, u"A");
            ++failures;
        }
    }
    EXPECT_EQ(live.RequestCount(), 2u);
}

}  // namespace
}  // namespace wavelore
