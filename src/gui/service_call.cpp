#include "gui/service_call.h"

#include "gui/qt_window_target.h"

namespace wavelore {

CServiceCall::CServiceCall(CUploadWorker::ClientFactory factory, ResultHandler handler,
                           QObject* parent, ThreadStarter startThread)
    : QObject(parent),
      m_router(new CWindowMessageRouter(std::move(handler), this)),
      m_target(std::make_unique<CQtWindowTarget>(*m_router)),
      m_worker(std::make_unique<CUploadWorker>(*m_target, std::move(factory), startThread)) {}

CServiceCall::~CServiceCall() {
    m_worker.reset();
    m_target->Close();
}

bool CServiceCall::Send(UploadJob job) {
    return m_worker->Start() && m_worker->Post(std::move(job));
}

}  // namespace wavelore
