#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/message_ids.h"
#include "common/window_target.h"
#include "net/http_client.h"
#include "net/upload_worker.h"
#include "support/loopback_server.h"
#include "support/upload_fakes.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;
using test::FakeFactory;
using test::FakeService;
using test::Job;
using test::LoopbackServer;
using test::NextResult;

TEST(UploadWorker, ReportsEachOutcomeWithTheRequestAndHost) {
    FakeService service;
    service.reply = std::string(
        "Gr\xc3\xbc\xc3\x9f"
        "e\0tail",
        11);
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, FakeFactory(service));
    worker.SetFailurePause(1ms);
    ASSERT_TRUE(worker.Start());

    UploadJob check = Job(u"ID-1", u"[::1]:8081");
    check.request.versionCheck = 1;
    ASSERT_TRUE(worker.Post(std::move(check)));
    auto ok = NextResult(owner);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->status, kUploadReplied);
    EXPECT_EQ(ok->reply, u"Gr\u00fc\u00dfe");  // read up to the zero byte
    EXPECT_EQ(ok->uid, u"ID-1");
    {
        std::lock_guard<std::mutex> lock(service.mutex);
        EXPECT_EQ(service.server, u"::1");
        EXPECT_EQ(service.port, 8081);
        EXPECT_EQ(service.agent, u"Wavelore v2.1.2");
        const auto& fields = service.fields.back();
        ASSERT_EQ(fields.size(), 12u);
        for (size_t i = 0; i < UploadRequest::kSlotCount; ++i) {
            EXPECT_EQ(fields[i].name, UploadRequest::kFieldNames[i]);
        }
        EXPECT_EQ(fields[11].name, u"VERSIONCHECK");
        EXPECT_EQ(fields[11].value, u"TRUE");
        service.failingUid = u"ID-2";
    }

    ASSERT_TRUE(worker.Post(Job(u"ID-2")));
    auto failed = NextResult(owner);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->status, kUploadFailed);
    EXPECT_FALSE(failed->reply);
    EXPECT_EQ(failed->uid, u"ID-2");

    service.openFails = true;
    ASSERT_TRUE(worker.Post(Job(u"ID-3")));
    auto setup = NextResult(owner);
    ASSERT_TRUE(setup);
    EXPECT_EQ(setup->status, kUploadSetupFailed);
    EXPECT_EQ(setup->uid, u"ID-3");

    service.openFails = false;
    ASSERT_TRUE(worker.Post(Job(u"ID-4", u"not a host")));
    auto badHost = NextResult(owner);
    ASSERT_TRUE(badHost);
    EXPECT_EQ(badHost->status, kUploadSetupFailed);
    EXPECT_EQ(service.uids.size(), 2u);
}

TEST(UploadWorker, ShutdownDiscardsQueuedRequestsAndWaitsForTheLastToBeTakenUp) {
    FakeService service;
    service.gateClosed = true;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, FakeFactory(service));
    // Queued before the thread runs, so the first one taken up sees more.
    ASSERT_TRUE(worker.Post(Job(u"busy")));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(worker.Post(Job(u"queued")));
    }
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(service.WaitInSend());
    EXPECT_TRUE(worker.MorePending());

    auto drained = std::async(std::launch::async, [&] { return worker.StopAndDrain(5s, 20ms); });
    EXPECT_EQ(drained.wait_for(200ms), std::future_status::timeout);
    service.OpenGate();
    ASSERT_EQ(drained.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(drained.get());
    EXPECT_FALSE(worker.MorePending());

    // The exchange under way finishes and reports; the five post nothing.
    auto busy = NextResult(owner);
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->uid, u"busy");
    EXPECT_FALSE(owner.DispatchOne([](Message&) {}, 100ms));
    std::lock_guard<std::mutex> lock(service.mutex);
    EXPECT_EQ(service.uids, std::vector<std::u16string>{u"busy"});
}

TEST(UploadWorker, StopAndDrainWaitsForRequestsPostedDuringAnExchange) {
    FakeService service;
    service.gateClosed = true;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, FakeFactory(service));
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.Post(Job(u"busy")));
    ASSERT_TRUE(service.WaitInSend());
    // Taken up with nothing behind it; these three arrive meanwhile.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(worker.Post(Job(u"queued")));
    }
    EXPECT_FALSE(worker.MorePending());
    EXPECT_FALSE(worker.StopAndDrain(50ms, 10ms));  // the worker is held in Send
    service.OpenGate();
    EXPECT_TRUE(worker.StopAndDrain(5s, 10ms));

    auto busy = NextResult(owner);
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->uid, u"busy");
    std::lock_guard<std::mutex> lock(service.mutex);
    EXPECT_EQ(service.uids, std::vector<std::u16string>{u"busy"});
}

TEST(UploadWorker, AThreadThatCannotStartTakesNothingUp) {
    FakeService service;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, FakeFactory(service),
                         [](std::thread&, std::function<void()>) { return false; });
    EXPECT_FALSE(worker.Start());
    EXPECT_FALSE(worker.Running());
    ASSERT_TRUE(worker.Post(Job(u"a")));
    // Not drained, and no waiting for a thread that does not exist.
    EXPECT_FALSE(worker.StopAndDrain(std::chrono::hours(1)));
}

TEST(UploadWorker, StopAndDrainIsBounded) {
    FakeService service;
    service.gateClosed = true;
    CQueueWindowTarget owner;
    auto worker = std::make_unique<CUploadWorker>(owner, FakeFactory(service));
    ASSERT_TRUE(worker->Post(Job(u"a")));
    ASSERT_TRUE(worker->Post(Job(u"b")));
    ASSERT_TRUE(worker->Start());
    ASSERT_TRUE(service.WaitInSend());
    EXPECT_FALSE(worker->StopAndDrain(100ms, 20ms));
    service.OpenGate();
}

TEST(UploadWorker, AServiceThatIsDownIsNoConnectionAndAnEmptyAnswerAReplyNotRead) {
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, test::LoopbackFactory());
    worker.SetFailurePause(0ms);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.Post(Job(u"down", test::ClosedUploadHost())));
    const auto down = NextResult(owner);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->status, kUploadSetupFailed);

    LoopbackServer server;
    server.SetReply("");
    const std::string host = server.Host();
    ASSERT_TRUE(worker.Post(Job(u"silent", std::u16string(host.begin(), host.end()))));
    const auto silent = NextResult(owner);
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->status, kUploadFailed);
}

TEST(UploadWorker, DestructionAbandonsASlowExchange) {
    LoopbackServer server;
    server.SetDelay(20s);
    CQueueWindowTarget owner;
    auto worker = std::make_unique<CUploadWorker>(
        owner, [] { return std::make_unique<CHttpClient>(); });  // 30 s timeout
    ASSERT_TRUE(worker->Start());
    const std::string host = server.Host();
    ASSERT_TRUE(worker->Post(Job(u"slow", std::u16string(host.begin(), host.end()))));
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    const auto start = std::chrono::steady_clock::now();
    worker.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

}  // namespace
}  // namespace wavelore
