#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/upload_step.h"
#include "common/window_target.h"
#include "net/upload_result_handler.h"
#include "net/upload_worker.h"

namespace wavelore {

// The uploads of stored messages: the worker (none when its thread cannot
// start), the upload step the store calls at the end of each message, and
// the handling of the worker's results, which arrive on the window's queue
// or on a queue of this object's own. The upload ID and the service host
// are asked for at every upload, so a new ID or host applies to the next
// message.
class CMessageUploads final : public IUploadHook {
  public:
    // The upload ID (empty: nothing is uploaded) or the host ("host" or
    // "host:port"), asked for at every upload.
    using Source = std::function<std::u16string()>;
    // Lets the host run while shutdown waits for the worker: called with
    // the time to wait before the next look.
    using Wait = CUploadWorker::Wait;

    // Longest wait at shutdown: one exchange under way to its transfer
    // timeout, the pause after a failure, and a last look.
    static constexpr std::chrono::milliseconds kShutdownWait{33000};

    // factory: one transport per exchange (CHttpClient in the programs).
    CMessageUploads(Source uid, Source host, CUploadWorker::ClientFactory factory);
    // Abandons whatever is still queued or under way.
    ~CMessageUploads() override;
    CMessageUploads(const CMessageUploads&) = delete;
    CMessageUploads& operator=(const CMessageUploads&) = delete;

    // Creates the worker and starts its thread; false, keeping no worker,
    // when the thread cannot be started. The worker reports to owner, which
    // must outlive this object or Stop, or with none to this object's own
    // queue, which Poll and Finish handle.
    bool Start(WindowTarget* owner = nullptr);
    bool HasWorker() const { return m_worker != nullptr; }

    // The upload step: with an ID and a worker, one request.
    void UploadMessage(const MessageRecord& record) override;
    // WM_UPLOAD_RESULT: a delivered request is dropped, a failed one joins
    // the back of the worker's queue. Returns the status.
    int HandleResult(Message& message);
    // Handles the results that have arrived on the own queue, without
    // waiting.
    void Poll();

    // The end of a run without a window: handles results until every
    // request was delivered or maxWait has passed; true when none is left.
    bool Finish(std::chrono::milliseconds maxWait);
    // The window's shutdown: asks the worker to stop, then looks once per
    // poll until it has taken up every queued request (which it now
    // discards), waiting between looks, for at most maxWait; then destroys
    // it (CUploadWorker::StopAndDrain). False when it gave up.
    bool Stop(const Wait& wait, std::chrono::milliseconds maxWait = kShutdownWait,
              std::chrono::milliseconds poll = CUploadWorker::kShutdownPoll);

    // The same without waiting, for a host whose loop keeps running: asks
    // the worker to stop; true once it has taken up every queued request
    // (or there is none), false to be asked again.
    bool Drained();

    // Requests handed to the worker.
    uint64_t Posted() const { return m_step ? m_step->Posted() : 0; }
    uint64_t Delivered() const { return m_handler.Delivered(); }
    uint64_t Sent() const { return Delivered(); }
    uint64_t Requeued() const { return m_handler.Requeued(); }
    // Handed over but not delivered: still queued, under way, or lost.
    uint64_t Left() const;
    // Completed messages too long to upload.
    uint64_t TooLong() const { return m_step ? m_step->TooLong() : 0; }

  private:
    bool HandleOne(std::chrono::milliseconds wait);

    Source m_uid;
    Source m_host;
    CUploadWorker::ClientFactory m_factory;
    CQueueWindowTarget m_ownQueue;
    std::unique_ptr<CUploadWorker> m_worker;
    std::unique_ptr<CUploadStep> m_step;
    CUploadResultHandler m_handler{nullptr};
};

}  // namespace wavelore
