#pragma once

// What the upload tests share: a fake transport whose service the test
// steers and inspects, the real one for loopback exchanges, and the
// owner's side of taking results.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/message_record.h"
#include "common/message_ids.h"
#include "common/window_target.h"
#include "net/http_client.h"
#include "net/upload_request.h"
#include "net/upload_result_handler.h"
#include "net/upload_worker.h"

namespace wavelore::test {

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
        return changed.wait_for(lock, std::chrono::seconds(5), [this] { return inSend; });
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

inline CUploadWorker::ClientFactory FakeFactory(FakeService& s) {
    return [&s] { return std::make_unique<FakeClient>(s); };
}

inline CUploadWorker::ClientFactory LoopbackFactory() {
    return [] {
        auto client = std::make_unique<CHttpClient>();
        client->SetTimeouts(500, 2000);
        return client;
    };
}

inline UploadJob Job(std::u16string uid, std::u16string host = u"127.0.0.1:8080") {
    return UploadJob{std::move(host), MakeServiceRequest(uid, false)};
}

struct Outcome {
    int status;
    std::optional<std::u16string> reply;
    std::u16string uid;
};

// Takes one WM_UPLOAD_RESULT from the owner's queue.
inline std::optional<Outcome> NextResult(CQueueWindowTarget& owner,
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
        std::chrono::seconds(5));
    return out;
}

// The message of the upload examples: 700 good characters and 70 errors
// in NAVTEX give the quality 98.
inline MessageRecord SampleRecord() {
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

}  // namespace wavelore::test
