#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

namespace wavelore {

class CTerminationSignals;

// Closes the receiver's window when the program is asked to end by a signal
// (a service manager's SIGTERM, a terminal's SIGINT or SIGHUP), exactly as
// the user closing it would, then ends the event loop: decoding stops, the
// uploads drain and the message being received is kept.
class CUnixSignalWatcher final : public QObject {
    Q_OBJECT

  public:
    // terminations must outlive the watcher. Made before the window, so that a
    // signal also ends a message box that its start-up shows.
    explicit CUnixSignalWatcher(CTerminationSignals& terminations, QObject* parent = nullptr);

    // The window to close, once it is made; a signal that came before is
    // acted on in the event loop.
    void Watch(QWidget& window);

  private:
    void OnReadable();
    void CloseWindow();

    CTerminationSignals& m_signals;
    QPointer<QWidget> m_window;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace wavelore
