#pragma once

#include <signal.h>

namespace wavelore {

// SIGTERM, SIGINT and SIGHUP turned into bytes on a pipe, so that a program
// ends as its user would end it instead of dying mid-write: the handler
// only write()s the signal's number (async-signal-safe); an event loop
// watches ReadFd(), a plain loop asks Received() between its steps.
// Interrupted system calls resume. One instance at a time; the previous
// handlers come back when it is destroyed. Every program ends by it.
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
    // True once a signal has arrived, and from then on.
    bool Received();

  private:
    int m_fds[2] = {-1, -1};
    bool m_received = false;
    struct sigaction m_previous[3] = {};  // SIGTERM, SIGINT, SIGHUP
    bool m_installed = false;
};

}  // namespace wavelore
