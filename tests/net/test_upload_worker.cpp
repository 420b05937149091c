#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "app/message_record.h"
#include "app/upload_session.h"
#include "app/upload_step.h"
#include "common/message_ids.h"
#include "common/window_target.h"
#include "net/http_client.h"
#include "net/upload_result_handler.h"
#include "net/upload_worker.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"
#include "support/upload_wire.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;
using test::LoopbackServer;
using test::PartValue;

// What the fake transport saw and how it answers; shared by all instances
// a worker creates.
struct FakeService {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::u16string> uids;  // UID field of every Send, in order
    std::vector<std::vector<FormField>> fields;
    std::u16string server;
    int port = 0;
    std::u16string agent;
    bool openFails = false;
    std::u16string failingUid;  // requests with this UID get no reply
    std::string reply = "OK";
    bool gateClosed = false;  // Send waits while set
    bool inSend = false;

    void OpenGate() {
        std::lock_guard<std::mutex> lock(mutex);
        gateClosed = false;
        changed.notify_all();
    }
    bool WaitInSend() {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 5s, [this] { return inSend; });
    }
};

class FakeClient final : public HttpClient {
  public:
    explicit FakeClient(FakeService& s) : m_s(s) {}
    int Open(std::u16string_view server, std::u16string_view agent, int port, std::u16string_view,
             std::u16string_view) override {
        std::lock_guard<std::mutex> lock(m_s.mutex);
        m_s.server = server;
        m_s.port = port;
        m_s.agent = agent;
        return m_s.openFails ? 0 : 1;
    }
    int Send(std::u16string_view, int) override {
        std::unique_lock<std::mutex> lock(m_s.mutex);
        m_s.inSend = true;
        m_s.changed.notify_all();
        m_s.changed.wait(lock, [this] { return !m_s.gateClosed; });
        m_s.inSend = false;
        m_uid = Fields().size() > 1 ? Fields()[1].value : u"";
        m_s.uids.push_back(m_uid);
        m_s.fields.push_back(Fields());
        m_s.changed.notify_all();
        return 1;
    }
    int ReadReply(std::string& headers, size_t, std::string& body, size_t) override {
        std::lock_guard<std::mutex> lock(m_s.mutex);
        if (!m_s.failingUid.empty() && m_uid == m_s.failingUid) {
            return 0;
        }
        headers = "HTTP/1.0 200 OK\r\n\r\n";
        body = m_s.reply;
        return 1;
    }
    int Close() override { return 1; }

  private:
    FakeService& m_s;
    std::u16string m_uid;
};

CUploadWorker::ClientFactory FakeFactory(FakeService& s) {
    return [&s] { return std::make_unique<FakeClient>(s); };
}

CUploadWorker::ClientFactory LoopbackFactory() {
    return [] {
        auto client = std::make_unique<CHttpClient>();
        client->SetTimeouts(500, 2000);
        return client;
    };
}

UploadJob Job(std::u16string uid, std::u16string host = u"127.0.0.1:8080") {
    return UploadJob{std::move(host), MakeServiceRequest(uid, false)};
}

struct Outcome {
    int status;
    std::optional<std::u16string> reply;
    std::u16string uid;
};

// Takes one WM_UPLOAD_RESULT from the owner's queue.
std::optional<Outcome> NextResult(CQueueWindowTarget& owner,
                                  CUploadResultHandler* handler = nullptr) {
    std::optional<Outcome> out;
    owner.DispatchOne(
        [&](Message& m) {
            ASSERT_EQ(m.id, WM_UPLOAD_RESULT);
            const UploadResult* r = m.Get<UploadResult>();
            ASSERT_NE(r, nullptr);
            out = Outcome{static_cast<int>(m.lParam), r->reply,
                          r->request.slots[UploadRequest::kUid]};
            if (handler != nullptr) {
                handler->Handle(m);
            }
        },
        5s);
    return out;
}

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

TEST(UploadWorker, FailedRequestIsRetriedBehindTheOthers) {
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

TEST(UploadWorker, UnreachableServiceIsRetriedWhileLaterMessagesGoOut) {
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

MessageRecord SampleRecord() {
    MessageRecord record;
    record.date = u"2007-07-21";
    record.time = u"09:05:07";
    record.b1 = u"E";
    record.b2 = u"A";
    record.number = u"12";
    record.text = u"AB\r\n";
    record.good = 700;
    record.errors = 70;
    record.quality = MessageQuality(700, 70, Mode::Navtex);
    return record;
}

TEST(UploadStep, BuildsTheMessageRequest) {
    const UploadRequest r = MakeMessageUploadRequest(SampleRecord(), u"UID-1");
    const std::array<std::u16string, UploadRequest::kSlotCount> expected = {
        u"/cgi-bin/navtex/navtex_upload.cgi",
        u"UID-1",
        u"2.1.2",
        u"2007-07-21",
        u"09%3A05%3A07",
        u"1",
        u"E",
        u"12",
        u"%41%42%0D%0A%00",
        u"A",
        u"98",
    };
    EXPECT_EQ(r.slots, expected);
    EXPECT_EQ(r.versionCheck, 0);
}

TEST(UploadStep, GatesOnTheUploadIdAndTheWorker) {
    FakeService service;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, FakeFactory(service));
    std::u16string uid;
    CUploadStep step([&] { return uid; }, &worker, u"127.0.0.1");
    step.UploadMessage(SampleRecord());
    EXPECT_EQ(step.Posted(), 0u);

    CUploadStep noWorker([] { return u"X"; }, nullptr, u"127.0.0.1");
    noWorker.UploadMessage(SampleRecord());
    EXPECT_EQ(noWorker.Posted(), 0u);

    uid = u"X";  // read at every upload
    step.UploadMessage(SampleRecord());
    EXPECT_EQ(step.Posted(), 1u);

    // A text whose escaped form cannot be one form field is not sent
    // without it.
    MessageRecord huge = SampleRecord();
    huge.text = std::u16string(21844, u'x');
    step.UploadMessage(huge);
    EXPECT_EQ(step.Posted(), 2u);
    huge.text += u'x';
    step.UploadMessage(huge);
    EXPECT_EQ(step.Posted(), 2u);
    EXPECT_EQ(step.TooLong(), 1u);
}

TEST(UploadStep, MessageUploadIsExactOnTheWire) {
    LoopbackServer server;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, LoopbackFactory());
    ASSERT_TRUE(worker.Start());
    const std::string hostText = server.Host();
    CUploadStep step([] { return u"0123ABCD-EF01-2345-6789-ABCDEFABCDEF"; }, &worker,
                     std::u16string(hostText.begin(), hostText.end()));
    step.UploadMessage(SampleRecord());
    auto r = NextResult(owner);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, kUploadReplied);
    EXPECT_EQ(r->reply, u"OK");

    const std::string expected =
        test::UploadRequestOnTheWire(hostText, {
                                                   {"PATH", "/cgi-bin/navtex/navtex_upload.cgi"},
                                                   {"UID", "0123ABCD-EF01-2345-6789-ABCDEFABCDEF"},
                                                   {"VERSION", "2.1.2"},
                                                   {"DATE", "2007-07-21"},
                                                   {"TIME", "09%3A05%3A07"},
                                                   {"NAVAREA", "1"},
                                                   {"STATION", "E"},
                                                   {"NUMBER", "12"},
                                                   {"MESSAGE", "%41%42%0D%0A%00"},
                                                   {"TYPE", "A"},
                                                   {"QUALITY", "98"},
                                               });
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0], expected);
}

TEST(UploadStep, LongMessageIsSentWhole) {
    // Well past the 5,401 UTF-8 bytes one fixed-size text part could hold.
    std::u16string text;
    while (text.size() < 7000) {
        text += u"NAVAREA I \u65e5\u672c\r\n";
    }
    LoopbackServer server;
    CQueueWindowTarget owner;
    CUploadWorker worker(owner, LoopbackFactory());
    ASSERT_TRUE(worker.Start());
    const std::string host = server.Host();
    CUploadStep step([] { return u"X"; }, &worker, std::u16string(host.begin(), host.end()));
    MessageRecord record = SampleRecord();
    record.text = text;
    step.UploadMessage(record);
    auto r = NextResult(owner);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, kUploadReplied);
    ASSERT_EQ(server.RequestCount(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(PartValue(request, "MESSAGE"), test::Narrow(EscapeMessageText(text)));
    EXPECT_EQ(PartValue(request, "QUALITY"), "98");
    EXPECT_TRUE(request.ends_with("\r\n----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n"));
}

TEST(UploadSession, FinishWaitsBoundedAndCounts) {
    FakeService service;
    CUploadSession session(u"GOOD", u"127.0.0.1", FakeFactory(service));
    ASSERT_TRUE(session.Start());
    for (int i = 0; i < 3; ++i) {
        session.Hook().UploadMessage(SampleRecord());
    }
    EXPECT_TRUE(session.Finish(5s));
    EXPECT_EQ(session.Sent(), 3u);
    EXPECT_EQ(session.Left(), 0u);

    FakeService down;
    down.failingUid = u"GOOD";
    CUploadSession failing(u"GOOD", u"127.0.0.1", FakeFactory(down));
    ASSERT_TRUE(failing.Start());
    failing.Hook().UploadMessage(SampleRecord());
    failing.Hook().UploadMessage(SampleRecord());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(failing.Finish(300ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(failing.Sent(), 0u);
    EXPECT_EQ(failing.Left(), 2u);

    CUploadSession noId(u"", u"127.0.0.1", FakeFactory(service));
    noId.Hook().UploadMessage(SampleRecord());
    EXPECT_TRUE(noId.Finish(0ms));
    EXPECT_EQ(noId.Left(), 0u);
}

}  // namespace
}  // namespace wavelore
