#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "app/upload_step.h"
#include "common/window_target.h"
#include "net/upload_result_handler.h"
#include "net/upload_worker.h"

namespace wavelore {

// Message uploads for a run without a window: the worker, the upload step
// and the owner's result handling, with the results taken from a plain
// queue by the caller's own loop.
class CUploadSession {
  public:
    // uid: the upload ID (empty: nothing is uploaded); host: "host[:port]";
    // factory: the transport per exchange.
    CUploadSession(std::u16string uid, std::u16string host, CUploadWorker::ClientFactory factory);
    // Abandons what is still queued or under way.
    ~CUploadSession();
    CUploadSession(const CUploadSession&) = delete;
    CUploadSession& operator=(const CUploadSession&) = delete;

    // Starts the worker; false when its thread cannot be started (then no
    // message is uploaded).
    bool Start();

    // The hook the message assembler calls at the end of a frame.
    IUploadHook& Hook() { return m_step; }

    // Handles the results that have arrived, without waiting.
    void Poll();
    // Handles results until every request was delivered or maxWait has
    // passed; true when none is left.
    bool Finish(std::chrono::milliseconds maxWait);

    uint64_t Sent() const { return m_handler.Delivered(); }
    // Handed over but not delivered: still queued, under way, or lost.
    uint64_t Left() const;
    // Completed messages too long to upload.
    uint64_t TooLong() const { return m_step.TooLong(); }

  private:
    bool HandleOne(std::chrono::milliseconds wait);

    std::u16string m_uid;
    CQueueWindowTarget m_owner;
    std::unique_ptr<CUploadWorker> m_worker;
    CUploadResultHandler m_handler;
    CUploadStep m_step;
};

}  // namespace wavelore
