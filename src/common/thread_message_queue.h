#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "common/message.h"

namespace wavelore {

// A worker thread's message queue: any thread posts, the owner takes
// messages one at a time. Closing wakes a waiting owner and refuses posts.
class CThreadMessageQueue {
  public:
    CThreadMessageQueue() = default;
    CThreadMessageQueue(const CThreadMessageQueue&) = delete;
    CThreadMessageQueue& operator=(const CThreadMessageQueue&) = delete;

    // False (and the payload freed) once the queue is closed.
    bool Post(Message message);
    // Blocks until a message arrives (true) or the queue is closed and
    // drained of nothing more to give (false).
    bool Get(Message& out);
    // As Get, but gives up after the timeout (false).
    bool GetFor(Message& out, std::chrono::milliseconds timeout);
    // True when a message is waiting; it stays in the queue. An id of 0
    // matches any message.
    bool Peek(uint32_t id = 0) const;
    size_t Size() const;
    // Owners blocked in Get or GetFor right now; once a waiter is counted,
    // a Post or Close is what wakes it.
    size_t Waiting() const;
    // Refuses further posts and wakes the owner; queued messages are freed.
    void Close();
    bool Closed() const;

  private:
    // Under the lock: moves the first message out; false when closed or empty.
    bool TakeFront(Message& out);

    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Message> m_messages;
    size_t m_waiting = 0;
    bool m_closed = false;
};

}  // namespace wavelore
