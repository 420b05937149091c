#pragma once

#include <signal.h>

namespace wavelore {

// SIGTERM, SIGINT and SIGHUP turned into bytes on a pipe, so that an event
// loop can end the program as its user would instead of dying mid-write:
// the handler only write()s the signal's number (async-signal-safe), and
// the loop watches ReadFd(). One instance at a time; the previous handlers
// come back when it is destroyed.
class CTerminationSignals {
  public:
    CTerminationSignals();
    ~CTerminationSignals();
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

    // False when the pipe or a handler could not be set up (or another
    // instance is active); the signals then keep their default action.
    bool Installed() const { return m_installed; }
    // Readable once a signal has arrived; non-blocking.
    int ReadFd() const { return m_fds[0]; }
    // The number of the next signal received, 0 when none is waiting.
    int TakeSignal();

  private:
    int m_fds[2] = {-1, -1};
    struct sigaction m_previous[3] = {};  // SIGTERM, SIGINT, SIGHUP
    bool m_installed = false;
};

}  // namespace wavelore
