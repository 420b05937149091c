#include "gui/qt_window_target.h"

#include <condition_variable>
#include <mutex>

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace wavelore {

struct CQtWindowTarget::State {
    std::mutex mutex;
    std::condition_variable handled;
    size_t waitingSenders = 0;
    bool closed = false;
};

namespace {

// A Send waiting for the GUI thread; shared by the sender and its event,
// so whichever side is left last frees it.
struct PendingSend {
    Message* message = nullptr;  // the sender's, valid while it waits
    bool handling = false;
    bool done = false;
    bool abandoned = false;  // the sender left (closed target)
};

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class CMessageEvent final : public QEvent {
  public:
    CMessageEvent(Message posted, std::shared_ptr<CQtWindowTarget::State> state,
                  std::shared_ptr<PendingSend> send)
        : QEvent(kMessageEvent),
          posted(std::move(posted)),
          state(std::move(state)),
          send(std::move(send)) {}

    Message posted;
    std::shared_ptr<CQtWindowTarget::State> state;
    std::shared_ptr<PendingSend> send;  // null for a posted message
};

}  // namespace

CWindowMessageRouter::CWindowMessageRouter(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {}

void CWindowMessageRouter::customEvent(QEvent* event) {
    if (event->type() != kMessageEvent) {
        return;
    }
    auto* message = static_cast<CMessageEvent*>(event);
    if (!message->send) {
        Deliver(message->posted);
        return;
    }
    CQtWindowTarget::State& state = *message->state;
    PendingSend& send = *message->send;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (send.abandoned) {
            return;
        }
        send.handling = true;
    }
    // The sender waits until done is set, so its message is alive.
    Deliver(*send.message);
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        send.handling = false;
        send.done = true;
    }
    state.handled.notify_all();
}

CQtWindowTarget::CQtWindowTarget(CWindowMessageRouter& router)
    : m_router(router), m_state(std::make_shared<State>()) {}

CQtWindowTarget::~CQtWindowTarget() {
    Close();
}

bool CQtWindowTarget::Post(Message message) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->closed) {
        return false;
    }
    QCoreApplication::postEvent(&m_router, new CMessageEvent(std::move(message), m_state, nullptr));
    return true;
}

bool CQtWindowTarget::Send(Message& message) {
    if (QThread::currentThread() == m_router.thread()) {
        if (Closed()) {
            return false;
        }
        m_router.Deliver(message);
        return true;
    }
    auto send = std::make_shared<PendingSend>();
    send->message = &message;
    std::unique_lock<std::mutex> lock(m_state->mutex);
    if (m_state->closed) {
        return false;
    }
    QCoreApplication::postEvent(&m_router, new CMessageEvent(Message(), m_state, send));
    // A handler already running finishes first: it uses the message.
    ++m_state->waitingSenders;
    m_state->handled.wait(lock, [&] { return send->done || (m_state->closed && !send->handling); });
    --m_state->waitingSenders;
    send->abandoned = !send->done;
    return send->done;
}

void CQtWindowTarget::Close() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->closed = true;
    }
    m_state->handled.notify_all();
}

bool CQtWindowTarget::Closed() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->closed;
}

size_t CQtWindowTarget::WaitingSenders() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->waitingSenders;
}

}  // namespace wavelore
