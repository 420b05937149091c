#include "net/upload_worker.h"

#include <algorithm>

#include "common/message_ids.h"
#include "net/http_reply.h"
#include "net/upload_host.h"

namespace wavelore {

CUploadWorker::CUploadWorker(WindowTarget& owner, ClientFactory factory, ThreadStarter startThread)
    : m_owner(owner), m_factory(std::move(factory)), m_startThread(startThread) {}

CUploadWorker::~CUploadWorker() {
    {
        std::lock_guard<std::mutex> lock(m_pauseMutex);
        m_abandon = true;
    }
    m_pauseWake.notify_all();
    m_queue.Close();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CUploadWorker::Start() {
    if (m_thread.joinable()) {
        return true;
    }
    // Clients are made on the worker's thread; the library must be ready
    // before that thread exists.
    CHttpClient::InitLibrary();
    return m_startThread(m_thread, [this] { Run(); });
}

bool CUploadWorker::Post(UploadJob job) {
    Message request = Message::With(WM_UPLOAD_REQUEST, 0, 0, std::move(job));
    // Without memory for it the job is gone: refused, not queued empty.
    return request.payload != nullptr && m_queue.Post(std::move(request));
}

bool CUploadWorker::StopAndDrain(std::chrono::milliseconds maxWait, std::chrono::milliseconds poll,
                                 const Wait& wait) {
    RequestStop();
    const auto deadline = std::chrono::steady_clock::now() + maxWait;
    // The queue itself, not MorePending: that flag is only set when a
    // request is taken up, so it misses requests posted during an exchange
    // and requests the thread has not reached yet.
    while (m_queue.Peek(WM_UPLOAD_REQUEST)) {
        const auto now = std::chrono::steady_clock::now();
        if (!Running() || now >= deadline) {
            return false;
        }
        const auto pause =
            std::min(poll, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now));
        if (wait) {
            wait(pause);
        } else {
            std::this_thread::sleep_for(pause);
        }
    }
    return true;
}

void CUploadWorker::Run() {
    Message message;
    while (m_queue.Get(message)) {
        if (message.id != WM_UPLOAD_REQUEST) {
            continue;
        }
        if (UploadJob* job = message.Get<UploadJob>()) {
            Handle(std::move(*job));
        }
        message = Message();
    }
}

void CUploadWorker::Handle(UploadJob job) {
    m_morePending = m_queue.Peek(WM_UPLOAD_REQUEST);
    if (m_stopRequested) {
        return;
    }

    std::unique_ptr<HttpClient> client = m_factory ? m_factory() : nullptr;
    UploadHost host;
    if (!client || !ParseUploadHost(job.host, host) ||
        !client->Open(host.name, kUploadUserAgent, host.port, {}, {})) {
        // A set-up failure that persists would otherwise have the worker
        // and its owner pass the request back and forth without a break.
        Pause();
        Report(kUploadSetupFailed, std::nullopt, std::move(job));
        return;
    }
    client->SetCancelFlag(&m_abandon);

    const UploadRequest& request = job.request;
    client->ResetFields();
    for (size_t slot = 0; slot < UploadRequest::kSlotCount; ++slot) {
        client->AddField(UploadRequest::kFieldNames[slot], request.slots[slot], false);
    }
    if (request.versionCheck == 1) {
        client->AddField(u"VERSIONCHECK", u"TRUE", false);
    }
    // Judged by the reply alone; but a service that could not be reached
    // at all is told from one whose reply could not be read.
    const bool unreachable =
        client->Send(request.slots[UploadRequest::kPath], HttpClient::kMultipartPost) != 1 &&
        client->Unreachable();

    std::string headers;
    std::string body;
    const bool replied = client->ReadReply(headers, kReplyCapacity, body, kReplyCapacity) == 1;
    client->Close();
    client.reset();

    if (replied) {
        Report(kUploadReplied, ReplyText(body), std::move(job));
    } else {
        Pause();
        Report(unreachable ? kUploadSetupFailed : kUploadFailed, std::nullopt, std::move(job));
    }
}

void CUploadWorker::Report(int status, std::optional<std::u16string> reply, UploadJob job) {
    UploadResult result{std::move(reply), std::move(job.request), std::move(job.host)};
    m_owner.Post(Message::With(WM_UPLOAD_RESULT, 0, status, std::move(result)));
}

void CUploadWorker::Pause() {
    std::unique_lock<std::mutex> lock(m_pauseMutex);
    m_pauseWake.wait_for(lock, m_failurePause, [this] { return m_abandon.load(); });
}

}  // namespace wavelore
