#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/settings.h"
#include "app/upload_step.h"
#include "common/window_target.h"
#include "net/upload_result_handler.h"
#include "net/upload_worker.h"

namespace wavelore {

// The receiver window's message uploads: the worker it creates at start-up
// (none when its thread cannot start), the upload step the assembler calls,
// the handling of the worker's results, and the drain at shutdown. The
// upload ID and the service host are read from the settings at every
// upload, so a new ID or host applies to the next message.
class CWindowUploads final : public IUploadHook {
  public:
    // Lets the window run while shutdown waits for the worker: called with
    // the time to wait before the next look.
    using Wait = CUploadWorker::Wait;

    // Longest wait at shutdown: one exchange under way to its transfer
    // timeout, the pause after a failure, and a last look.
    static constexpr std::chrono::milliseconds kShutdownWait{33000};

    // factory: one transport per exchange (CHttpClient in the program).
    CWindowUploads(const CSettings& settings, CUploadWorker::ClientFactory factory);
    // Abandons whatever is still queued or under way.
    ~CWindowUploads() override;
    CWindowUploads(const CWindowUploads&) = delete;
    CWindowUploads& operator=(const CWindowUploads&) = delete;

    // Creates the worker, which reports to owner, and starts its thread;
    // false, keeping no worker, when the thread cannot be started. owner
    // must outlive this object or Stop.
    bool Start(WindowTarget& owner);
    bool HasWorker() const { return m_worker != nullptr; }

    // The upload step: with an ID stored and a worker, one request.
    void UploadMessage(const MessageRecord& record) override;
    // WM_UPLOAD_RESULT: a delivered request is dropped, a failed one joins
    // the back of the worker's queue. Returns the status.
    int HandleResult(Message& message);

    // Asks the worker to stop, then looks once per poll until it has taken
    // up every queued request (which it now discards), waiting between
    // looks, for at most maxWait; then destroys it
    // (CUploadWorker::StopAndDrain). False when it gave up.
    bool Stop(const Wait& wait, std::chrono::milliseconds maxWait = kShutdownWait,
              std::chrono::milliseconds poll = CUploadWorker::kShutdownPoll);

    uint64_t Posted() const { return m_step ? m_step->Posted() : 0; }
    uint64_t Delivered() const { return m_handler.Delivered(); }
    uint64_t Requeued() const { return m_handler.Requeued(); }

  private:
    const CSettings& m_settings;
    CUploadWorker::ClientFactory m_factory;
    std::unique_ptr<CUploadWorker> m_worker;
    std::unique_ptr<CUploadStep> m_step;
    CUploadResultHandler m_handler{nullptr};
};

}  // namespace wavelore
