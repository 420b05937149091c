#include "common/window_target.h"

#include "common/nothrow.h"

namespace wavelore {

bool CQueueWindowTarget::Post(Message message) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed || !WithoutThrowing([&] {
                m_entries.push_back(Entry{std::move(message), nullptr, nullptr});
            })) {
            return false;
        }
    }
    m_arrived.notify_one();
    return true;
}

bool CQueueWindowTarget::Send(Message& message) {
    bool done = false;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_closed || !WithoutThrowing([&] {
            m_entries.push_back(Entry{Message(), &message, &done});
        })) {
        return false;
    }
    m_arrived.notify_one();
    // Even when closing, a Send being handled right now waits for its
    // handler, unless the handler closed the target itself.
    ++m_waitingSenders;
    m_handled.wait(
        lock, [&] { return done || (m_closed && (m_handling != &done || m_handlingReleased)); });
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
    if (entry.sent == nullptr) {
        lock.unlock();
        handler(entry.posted);
        return true;
    }
    // The handler works on the message taken over from the sender, which
    // gets it back when it is handled, unless released before.
    Message sent = std::move(*entry.sent);
    m_handling = entry.done;
    m_handler = std::this_thread::get_id();
    lock.unlock();
    handler(sent);
    lock.lock();
    if (!m_handlingReleased) {
        // The sender still waits, so its message and flag are alive.
        *entry.sent = std::move(sent);
        *entry.done = true;
    }
    m_handling = nullptr;
    m_handlingReleased = false;
    lock.unlock();
    m_handled.notify_all();
    return true;
}

void CQueueWindowTarget::Close() {
    std::deque<Entry> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        // Closed by the handler that runs: its sender must not wait for it.
        if (m_handling != nullptr && m_handler == std::this_thread::get_id()) {
            m_handlingReleased = true;
        }
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
