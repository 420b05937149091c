#include "common/window_target.h"

namespace wavelore {

bool CQueueWindowTarget::Post(Message message) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_entries.push_back(Entry{std::move(message), nullptr, nullptr});
    }
    m_arrived.notify_one();
    return true;
}

bool CQueueWindowTarget::Send(Message& message) {
    bool done = false;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_closed) {
        return false;
    }
    m_entries.push_back(Entry{Message(), &message, &done});
    m_arrived.notify_one();
    // Even when closing, a Send being handled right now waits for its handler.
    ++m_waitingSenders;
    m_handled.wait(lock, [&] { return done || (m_closed && m_handling != &done); });
    --m_waitingSenders;
    return done;
}

bool CQueueWindowTarget::DispatchOne(const Handler& handler, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_arrived.wait_for(lock, timeout, [this] { return m_closed || !m_entries.empty(); }) ||
        m_closed) {
        return false;
    }
    Entry entry = std::move(m_entries.front());
    m_entries.pop_front();
    if (entry.sent != nullptr) {
        m_handling = entry.done;
    }
    lock.unlock();
    if (entry.sent != nullptr) {
        // The sender is blocked until done is set, so its message is alive.
        handler(*entry.sent);
        lock.lock();
        *entry.done = true;
        m_handling = nullptr;
        lock.unlock();
        m_handled.notify_all();
    } else {
        handler(entry.posted);
    }
    return true;
}

void CQueueWindowTarget::Close() {
    std::deque<Entry> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        dropped.swap(m_entries);
    }
    m_arrived.notify_all();
    m_handled.notify_all();
}

bool CQueueWindowTarget::Closed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

size_t CQueueWindowTarget::WaitingSenders() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waitingSenders;
}

}  // namespace wavelore
