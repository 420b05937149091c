#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "common/message.h"

namespace wavelore {

// Where a worker thread sends its results: a window in the GUI, a plain
// queue in the command-line tool and the tests.
class WindowTarget {
  public:
    virtual ~WindowTarget() = default;
    // Queues the message; false (and the payload freed) when refused.
    virtual bool Post(Message message) = 0;
    // Returns true once the receiver has handled the message, or false at
    // once (or as soon as it happens) when the receiver is closing. The
    // message stays the sender's; the receiver copies what it keeps. A
    // Send released while its handler runs (the handler closed the
    // receiver) returns without its message's payload, which the handler
    // still works on.
    virtual bool Send(Message& message) = 0;
};

// A WindowTarget backed by a queue that the receiving thread drains with
// DispatchOne. Close releases every pending Send, so a closing receiver can
// never deadlock with a sender. The Send whose handler is running waits for
// it when another thread closes; when the handler closes the target itself
// (to end the sender's thread, which it then joins), that Send is released
// at once too: the handler works on the message taken over from the sender,
// so the sender need not wait.
//
// It has one consumer: DispatchOne is called by one thread only (the one a
// window belongs to). Any thread may Post, Send and Close. A handler may
// close the target, but not destroy it.
class CQueueWindowTarget final : public WindowTarget {
  public:
    using Handler = std::function<void(Message&)>;

    bool Post(Message message) override;
    bool Send(Message& message) override;

    // Waits up to timeout for one message and hands it to the handler;
    // false when none came or the target is closed.
    bool DispatchOne(const Handler& handler, std::chrono::milliseconds timeout);
    // Refuses further messages, frees queued ones and releases senders.
    void Close();
    bool Closed() const;
    // Senders blocked in Send right now, whether queued or being handled.
    size_t WaitingSenders() const;

  private:
    struct Entry {
        Message posted;
        Message* sent = nullptr;  // a pending Send's message, owned by the sender
        bool* done = nullptr;     // set when a Send has been handled
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::condition_variable m_handled;
    std::deque<Entry> m_entries;
    bool* m_handling = nullptr;       // the Send whose handler is running (one consumer)
    std::thread::id m_handler;        // the thread that runs it
    bool m_handlingReleased = false;  // its sender left: the handler closed the target
    size_t m_waitingSenders = 0;
    bool m_closed = false;
};

}  // namespace wavelore
