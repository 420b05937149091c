#pragma once

#include <functional>
#include <memory>

#include <QObject>

#include "common/message.h"
#include "common/start_thread.h"
#include "net/upload_request.h"
#include "net/upload_worker.h"

namespace wavelore {

class CQtWindowTarget;
class CWindowMessageRouter;

// One exchange with the upload service on a worker of its own, whose
// WM_UPLOAD_RESULT comes back to a handler on the GUI thread: the upload
// ID test and the version check. Going away abandons an exchange still
// under way.
class CServiceCall final : public QObject {
    Q_OBJECT

  public:
    using ResultHandler = std::function<void(Message& result)>;

    // factory: the transport (CHttpClient in the program); handler: gets
    // the result; startThread: how the worker's thread is made.
    CServiceCall(CUploadWorker::ClientFactory factory, ResultHandler handler,
                 QObject* parent = nullptr, ThreadStarter startThread = StartThread);
    ~CServiceCall() override;

    // Starts the worker's thread and hands it the job; false when the
    // thread cannot be started or the job is refused (no result follows).
    bool Send(UploadJob job);

  private:
    CWindowMessageRouter* m_router = nullptr;
    std::unique_ptr<CQtWindowTarget> m_target;
    // Declared last: it posts to the target, so it goes first.
    std::unique_ptr<CUploadWorker> m_worker;
};

}  // namespace wavelore
