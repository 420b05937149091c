#include "app/message_uploads.h"

#include <algorithm>
#include <new>

namespace wavelore {

CMessageUploads::CMessageUploads(Source uid, Source host, CUploadWorker::ClientFactory factory)
    : m_uid(std::move(uid)), m_host(std::move(host)), m_factory(std::move(factory)) {}

CMessageUploads::~CMessageUploads() {
    // The worker posts to the own queue, so it goes first.
    m_step.reset();
    m_worker.reset();
    m_ownQueue.Close();
}

bool CMessageUploads::Start(WindowTarget* owner) {
    auto worker = std::unique_ptr<CUploadWorker>(
        new (std::nothrow) CUploadWorker(owner ? *owner : m_ownQueue, m_factory));
    if (!worker || !worker->Start()) {
        return false;
    }
    m_worker = std::move(worker);
    m_step = std::make_unique<CUploadStep>(m_uid, m_worker.get(), m_host);
    m_handler = CUploadResultHandler(m_worker.get());
    return true;
}

void CMessageUploads::UploadMessage(const MessageRecord& record) {
    if (m_step) {
        m_step->UploadMessage(record);
    }
}

int CMessageUploads::HandleResult(Message& message) {
    // A result that arrives after Stop is dropped with its request.
    return m_worker ? m_handler.Handle(message) : 0;
}

bool CMessageUploads::HandleOne(std::chrono::milliseconds wait) {
    return m_ownQueue.DispatchOne([this](Message& m) { HandleResult(m); }, wait);
}

void CMessageUploads::Poll() {
    while (HandleOne(std::chrono::milliseconds(0))) {
    }
}

uint64_t CMessageUploads::Left() const {
    return m_step ? m_step->Posted() + m_step->Refused() - m_handler.Delivered() : 0;
}

bool CMessageUploads::Finish(std::chrono::milliseconds maxWait) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + maxWait;
    // Requests the worker refused back can never arrive.
    while (m_handler.Delivered() + m_handler.Lost() < Posted()) {
        const auto now = Clock::now();
        if (now >= deadline) {
            break;
        }
        const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        HandleOne(std::min(rest, std::chrono::milliseconds(100)));
    }
    return Left() == 0;
}

bool CMessageUploads::Drained() {
    return !m_worker ||
           m_worker->StopAndDrain(std::chrono::milliseconds(0), std::chrono::milliseconds(0), {});
}

bool CMessageUploads::Stop(const Wait& wait, std::chrono::milliseconds maxWait,
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
