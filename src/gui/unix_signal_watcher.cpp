#include "gui/unix_signal_watcher.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include "system/termination_signals.h"

namespace wavelore {

namespace {

constexpr int kRetryMs = 50;

}  // namespace

CUnixSignalWatcher::CUnixSignalWatcher(CTerminationSignals& terminations, QObject* parent)
    : QObject(parent), m_signals(terminations) {
    if (terminations.ReadFd() >= 0) {
        m_notifier = new QSocketNotifier(terminations.ReadFd(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &CUnixSignalWatcher::OnReadable);
    }
}

void CUnixSignalWatcher::Watch(QWidget& window) {
    m_window = &window;
}

void CUnixSignalWatcher::OnReadable() {
    bool received = false;
    while (m_signals.TakeSignal() != 0) {
        received = true;
    }
    if (received) {
        // One close is enough; later signals find it under way.
        m_notifier->setEnabled(false);
        CloseWindow();
    }
}

void CUnixSignalWatcher::CloseWindow() {
    // A modal box runs a loop of its own inside the window's code: end it,
    // and close once that code is through, so that none of it runs on after
    // the window has shut down. (The window's own shutdown also runs a loop
    // while the uploads drain: a signal then waits for it as well.)
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    }
    if (!m_window || QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(kRetryMs, this, &CUnixSignalWatcher::CloseWindow);
        return;
    }
    m_window->close();
    // Also when the window was hidden in the notification area, where
    // closing it is not closing the last visible window.
    QCoreApplication::quit();
}

}  // namespace wavelore
