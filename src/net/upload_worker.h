#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "common/start_thread.h"
#include "common/thread_message_queue.h"
#include "common/window_target.h"
#include "net/http_client.h"
#include "net/upload_request.h"

namespace wavelore {

// A thread with its own queue that performs one upload exchange at a time:
// each WM_UPLOAD_REQUEST (payload UploadJob) becomes one multipart POST,
// reported to the owner as WM_UPLOAD_RESULT (payload UploadResult, lParam
// the status). Retrying is the owner's business (CUploadResultHandler).
class CUploadWorker {
  public:
    using ClientFactory = std::function<std::unique_ptr<HttpClient>()>;

    // Both reply buffers get this capacity, so a kept reply is short.
    static constexpr size_t kReplyCapacity = 1023;
    // Pause before a failure is reported, so a service that is down is not
    // hammered by the owner's immediate retry.
    static constexpr std::chrono::milliseconds kFailurePause{1000};
    // The owner's poll interval while waiting for the queue at shutdown.
    static constexpr std::chrono::milliseconds kShutdownPoll{1000};

    // owner: receives the results and must outlive the worker. factory:
    // makes one transport per exchange (CHttpClient in the program), on the
    // worker's thread. startThread: how Start makes the thread.
    CUploadWorker(WindowTarget& owner, ClientFactory factory,
                  ThreadStarter startThread = StartThread);
    CUploadWorker(const CUploadWorker&) = delete;
    CUploadWorker& operator=(const CUploadWorker&) = delete;
    // Abandons a running exchange, frees every queued request and joins.
    ~CUploadWorker();

    // Initialises the HTTP library (CHttpClient::InitLibrary) on the caller's
    // thread, then starts the worker's; false when it cannot be started.
    // Requests may be posted before.
    bool Start();
    bool Running() const { return m_thread.joinable(); }

    // Queues a WM_UPLOAD_REQUEST at the back; false (job freed) when refused.
    bool Post(UploadJob job);

    // Owner side: from now on queued requests are discarded unsent.
    void RequestStop() { m_stopRequested = true; }
    bool StopRequested() const { return m_stopRequested; }
    // Worker side: whether another request was waiting when the current one
    // was taken up.
    bool MorePending() const { return m_morePending; }

    // How the owner spends the time between two looks at the queue: a
    // plain sleep, or a window that keeps handling its events.
    using Wait = std::function<void(std::chrono::milliseconds)>;

    // The owner's shutdown: request a stop, then wait until no request is
    // left in the queue (each one taken up from now on is discarded unsent),
    // looking every poll interval, for at most maxWait; wait (a sleep when
    // empty) passes the time between looks. True when the worker has taken
    // up every request; false at once when its thread is not running. An
    // exchange under way may still be finishing. The worker is destroyed
    // afterwards.
    bool StopAndDrain(std::chrono::milliseconds maxWait,
                      std::chrono::milliseconds poll = kShutdownPoll, const Wait& wait = {});

    // Tests shorten the failure pause; set it before Start.
    void SetFailurePause(std::chrono::milliseconds pause) { m_failurePause = pause; }

  private:
    void Run();
    void Handle(UploadJob job);
    void Report(int status, std::optional<std::u16string> reply, UploadJob job);
    // Sleeps, but wakes at once when the worker is being destroyed.
    void Pause();

    WindowTarget& m_owner;
    ClientFactory m_factory;
    ThreadStarter m_startThread;
    CThreadMessageQueue m_queue;
    std::thread m_thread;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_morePending{false};
    std::atomic<bool> m_abandon{false};
    std::chrono::milliseconds m_failurePause{kFailurePause};
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseWake;
};

}  // namespace wavelore
