#include "system/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <iterator>

namespace wavelore {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};  // as m_previous

// A handler reaches no object: the pipe's write end is the one thing it
// needs, and an atomic int is safe to read there.
std::atomic<int> g_writeFd{-1};

void OnSignal(int sig) {
    const int saved = errno;
    const int fd = g_writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(sig);
        // A full pipe already holds a signal to act on; this one can go.
        [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

CTerminationSignals::CTerminationSignals() {
    if (g_writeFd.load() >= 0 || pipe2(m_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_fds[0] = m_fds[1] = -1;
        return;
    }
    g_writeFd.store(m_fds[1]);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume: the program ends through its loop.
    action.sa_flags = SA_RESTART;
    size_t set = 0;
    for (; set < std::size(kSignals); ++set) {
        if (sigaction(kSignals[set], &action, &m_previous[set]) != 0) {
            break;
        }
    }
    m_installed = set == std::size(kSignals);
    if (!m_installed) {
        while (set > 0) {
            --set;
            sigaction(kSignals[set], &m_previous[set], nullptr);
        }
        g_writeFd.store(-1);
    }
}

CTerminationSignals::~CTerminationSignals() {
    if (m_installed) {
        for (size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &m_previous[i], nullptr);
        }
        g_writeFd.store(-1);
    }
    for (int fd : m_fds) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

int CTerminationSignals::TakeSignal() {
    unsigned char byte = 0;
    return m_fds[0] >= 0 && read(m_fds[0], &byte, 1) == 1 ? byte : 0;
}

bool CTerminationSignals::Received() {
    while (TakeSignal() != 0) {
        m_received = true;
    }
    return m_received;
}

}  // namespace wavelore
