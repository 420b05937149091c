#include "app/window_uploads.h"

#include <new>

namespace wavelore {

CWindowUploads::CWindowUploads(const CSettings& settings, CUploadWorker::ClientFactory factory)
    : m_settings(settings), m_factory(std::move(factory)) {}

CWindowUploads::~CWindowUploads() = default;

bool CWindowUploads::Start(WindowTarget& owner) {
    auto worker =
        std::unique_ptr<CUploadWorker>(new (std::nothrow) CUploadWorker(owner, m_factory));
    if (!worker || !worker->Start()) {
        return false;
    }
    m_worker = std::move(worker);
    m_step = std::make_unique<CUploadStep>(
        [this] { return m_settings.Uid(); }, m_worker.get(),
        CUploadStep::HostSource([this] { return m_settings.UploadHost(); }));
    m_handler = CUploadResultHandler(m_worker.get());
    return true;
}

void CWindowUploads::UploadMessage(const MessageRecord& record) {
    if (m_step) {
        m_step->UploadMessage(record);
    }
}

int CWindowUploads::HandleResult(Message& message) {
    // A result that arrives after Stop is dropped with its request.
    return m_worker ? m_handler.Handle(message) : 0;
}

bool CWindowUploads::Stop(const Wait& wait, std::chrono::milliseconds maxWait,
                          std::chrono::milliseconds poll) {
    if (!m_worker) {
        return true;
    }
    const bool drained = m_worker->StopAndDrain(maxWait, poll, wait);
    m_step.reset();
    m_worker.reset();
    return drained;
}

}  // namespace wavelore
