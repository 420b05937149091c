#pragma once

#include <functional>
#include <memory>

#include <QObject>

#include "app/decoding_control.h"
#include "common/message.h"

namespace wavelore {

// Hands the messages of every channel to one handler on the GUI thread
// (the thread that created it). Lives as long as the window it serves.
class CWindowMessageRouter final : public QObject {
    Q_OBJECT

  public:
    using Handler = std::function<void(Message&)>;

    explicit CWindowMessageRouter(Handler handler, QObject* parent = nullptr);

    // Handles a message at once; GUI thread only.
    void Deliver(Message& message) { m_handler(message); }
    // Handles now every message posted to it so far; GUI thread only.
    void DeliverPosted();

  protected:
    void customEvent(QEvent* event) override;

  private:
    Handler m_handler;
};

// WindowTarget over Qt events: Post queues the message for the router's
// thread; Send from another thread blocks until that thread has handled it
// (from the GUI thread itself it is a direct call). Close refuses further
// messages and releases a waiting Send at once, so a thread blocked in Send
// can always be ended; messages posted before Close are still delivered.
// A Send whose handler runs waits for it, unless the handler closes the
// target itself (to end the sending thread): the handler works on the
// message taken over from the sender, which is then let go at once.
class CQtWindowTarget final : public IWindowChannel {
  public:
    // router must outlive the target.
    explicit CQtWindowTarget(CWindowMessageRouter& router);
    ~CQtWindowTarget() override;
    CQtWindowTarget(const CQtWindowTarget&) = delete;
    CQtWindowTarget& operator=(const CQtWindowTarget&) = delete;

    bool Post(Message message) override;
    bool Send(Message& message) override;
    void Close() override;
    bool Closed() const;
    // Senders from other threads blocked in Send right now.
    size_t WaitingSenders() const;

    struct State;

  private:
    CWindowMessageRouter& m_router;
    std::shared_ptr<State> m_state;
};

}  // namespace wavelore
