#include "common/thread_message_queue.h"

namespace wavelore {

bool CThreadMessageQueue::Post(Message message) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_messages.push_back(std::move(message));
    }
    m_ready.notify_one();
    return true;
}

bool CThreadMessageQueue::Get(Message& out) {
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_waiting;
    m_ready.wait(lock, [this] { return m_closed || !m_messages.empty(); });
    --m_waiting;
    return TakeFront(out);
}

bool CThreadMessageQueue::GetFor(Message& out, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_waiting;
    m_ready.wait_for(lock, timeout, [this] { return m_closed || !m_messages.empty(); });
    --m_waiting;
    return TakeFront(out);
}

bool CThreadMessageQueue::TakeFront(Message& out) {
    if (m_closed || m_messages.empty()) {
        return false;
    }
    out = std::move(m_messages.front());
    m_messages.pop_front();
    return true;
}

bool CThreadMessageQueue::Peek(uint32_t id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (id == 0) {
        return !m_messages.empty();
    }
    for (const Message& m : m_messages) {
        if (m.id == id) {
            return true;
        }
    }
    return false;
}

size_t CThreadMessageQueue::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages.size();
}

void CThreadMessageQueue::Close() {
    std::deque<Message> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        dropped.swap(m_messages);
    }
    m_ready.notify_all();
}

size_t CThreadMessageQueue::Waiting() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waiting;
}

bool CThreadMessageQueue::Closed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

}  // namespace wavelore
