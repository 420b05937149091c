#pragma once

#include <cstdint>

#include "common/message.h"

namespace wavelore {

class CUploadWorker;

// The owner's side of message uploads: a delivered request is dropped, a
// failed one goes back to the worker and joins the back of its queue, so
// the requests behind it are tried first. There is no limit on attempts.
class CUploadResultHandler {
  public:
    // worker: where failed requests go again; null drops them.
    explicit CUploadResultHandler(CUploadWorker* worker) : m_worker(worker) {}

    // Handles one WM_UPLOAD_RESULT and returns its status (0 for anything
    // else). The reply text of a message upload is not interpreted.
    int Handle(Message& message);

    uint64_t Delivered() const { return m_delivered; }
    uint64_t Requeued() const { return m_requeued; }
    // Failed requests the worker refused to take back.
    uint64_t Lost() const { return m_lost; }

  private:
    CUploadWorker* m_worker;
    uint64_t m_delivered = 0;
    uint64_t m_requeued = 0;
    uint64_t m_lost = 0;
};

}  // namespace wavelore
