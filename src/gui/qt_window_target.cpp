#include "gui/qt_window_target.h"

#include <condition_variable>
#include <mutex>

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include "common/nothrow.h"

namespace wavelore {

namespace {

// A Send waiting for the GUI thread; shared by the sender and its event,
// so whichever side is left last frees it. The message is taken over from
// the sender for the handler and given back once handled.
struct PendingSend {
    Message message;
    bool handling = false;
    bool done = false;
    bool released = false;   // closed by its own handler: the sender goes
    bool abandoned = false;  // the sender left (closed target)
};

}  // namespace

struct CQtWindowTarget::State {
    std::mutex mutex;
    std::condition_variable handled;
    PendingSend* handling = nullptr;  // the Send whose handler runs
    size_t waitingSenders = 0;
    bool closed = false;
};

namespace {

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

void CWindowMessageRouter::DeliverPosted() {
    QCoreApplication::sendPostedEvents(this, kMessageEvent);
}

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
        state.handling = &send;
    }
    Deliver(send.message);
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        send.handling = false;
        send.done = !send.released;
        state.handling = nullptr;
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
    auto* event = new (std::nothrow) CMessageEvent(std::move(message), m_state, nullptr);
    if (event == nullptr) {
        return false;
    }
    QCoreApplication::postEvent(&m_router, event);
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
    std::shared_ptr<PendingSend> send;
    if (!WithoutThrowing([&] { send = std::make_shared<PendingSend>(); })) {
        return false;
    }
    std::unique_lock<std::mutex> lock(m_state->mutex);
    auto* event =
        m_state->closed ? nullptr : new (std::nothrow) CMessageEvent(Message(), m_state, send);
    if (event == nullptr) {
        return false;
    }
    send->message = std::move(message);
    QCoreApplication::postEvent(&m_router, event);
    // A handler already running finishes first: it uses the message. Only
    // a handler that closes the target itself lets its sender go at once.
    ++m_state->waitingSenders;
    m_state->handled.wait(lock, [&] {
        return send->done || (m_state->closed && (!send->handling || send->released));
    });
    --m_state->waitingSenders;
    send->abandoned = !send->done;
    if (!send->handling) {
        // Handled, or never to be: the message comes back.
        message = std::move(send->message);
    }
    return send->done;
}

void CQtWindowTarget::Close() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->closed = true;
        // Closed by the handler that runs (only the GUI thread runs them).
        if (m_state->handling != nullptr && QThread::currentThread() == m_router.thread()) {
            m_state->handling->released = true;
        }
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
