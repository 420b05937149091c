#include "app/upload_session.h"

#include <algorithm>

namespace wavelore {

CUploadSession::CUploadSession(std::u16string uid, std::u16string host,
                               CUploadWorker::ClientFactory factory)
    : m_uid(std::move(uid)),
      m_worker(std::make_unique<CUploadWorker>(m_owner, std::move(factory))),
      m_handler(m_worker.get()),
      m_step([this] { return m_uid; }, m_worker.get(), std::move(host)) {}

CUploadSession::~CUploadSession() {
    // The worker posts to m_owner, so it goes first.
    m_worker.reset();
    m_owner.Close();
}

bool CUploadSession::Start() {
    return m_worker->Start();
}

uint64_t CUploadSession::Left() const {
    return m_step.Posted() + m_step.Refused() - m_handler.Delivered();
}

bool CUploadSession::HandleOne(std::chrono::milliseconds wait) {
    return m_owner.DispatchOne([this](Message& m) { m_handler.Handle(m); }, wait);
}

void CUploadSession::Poll() {
    while (HandleOne(std::chrono::milliseconds(0))) {
    }
}

bool CUploadSession::Finish(std::chrono::milliseconds maxWait) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + maxWait;
    // Requests the worker refused back can never arrive.
    while (m_handler.Delivered() + m_handler.Lost() < m_step.Posted()) {
        const auto now = Clock::now();
        if (now >= deadline) {
            break;
        }
        const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        HandleOne(std::min(rest, std::chrono::milliseconds(100)));
    }
    return Left() == 0;
}

}  // namespace wavelore
