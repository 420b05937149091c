#include "net/upload_result_handler.h"

#include "common/message_ids.h"
#include "net/upload_request.h"
#include "net/upload_worker.h"

namespace wavelore {

int CUploadResultHandler::Handle(Message& message) {
    if (message.id != WM_UPLOAD_RESULT) {
        return 0;
    }
    UploadResult* result = message.Get<UploadResult>();
    if (result == nullptr) {
        return 0;
    }
    const int status = static_cast<int>(message.lParam);
    if (status > 0) {
        ++m_delivered;
        return status;
    }
    if (m_worker != nullptr &&
        m_worker->Post(UploadJob{std::move(result->host), std::move(result->request)})) {
        ++m_requeued;
    } else {
        ++m_lost;
    }
    return status;
}

}  // namespace wavelore
