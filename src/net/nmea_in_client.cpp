#include "net/nmea_in_client.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "net/nmea_udp_sender.h"

namespace wavelore {

namespace {

int Milliseconds(std::chrono::steady_clock::duration d) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
    return static_cast<int>(std::clamp<int64_t>(ms, 0, 1 << 30));
}

}  // namespace

CNmeaInClient::~CNmeaInClient() {
    Stop();
}

bool CNmeaInClient::Start(const std::string& hostPort, std::string& error) {
    Stop();
    if (!ParseHostAndPort(hostPort, m_host, m_port)) {
        error = "\"" + hostPort + "\" is not HOST:PORT";
        return false;
    }
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::system_category().message(errno);
        return false;
    }
    m_stop = false;
    {
        // A fix of the source before is not where this one says the ship is.
        std::lock_guard lock(m_mutex);
        m_fix.reset();
    }
    try {
        m_thread = std::thread(&CNmeaInClient::Run, this);
    } catch (const std::system_error& e) {
        error = e.what();
        ::close(m_wake[0]);
        ::close(m_wake[1]);
        m_wake[0] = m_wake[1] = -1;
        return false;
    }
    return true;
}

void CNmeaInClient::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        const char byte = 0;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
        m_thread.join();
    }
    for (int& fd : m_wake) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    m_connected = false;
}

std::optional<OwnFix> CNmeaInClient::Fix(std::chrono::steady_clock::duration maxAge) const {
    std::lock_guard lock(m_mutex);
    if (!m_fix || Clock::now() - m_fixTime > maxAge) {
        return std::nullopt;
    }
    return m_fix;
}

bool CNmeaInClient::WaitForStop(std::chrono::milliseconds wait) {
    pollfd p{m_wake[0], POLLIN, 0};
    return ::poll(&p, 1, Milliseconds(wait)) > 0 || m_stop;
}

void CNmeaInClient::Run() {
    std::chrono::milliseconds pause = kFirstPause;
    while (!m_stop) {
        const int fd = Connect();
        if (fd >= 0) {
            ++m_connections;
            m_connected = true;
            if (Read(fd)) {
                pause = kFirstPause;
            }
            m_connected = false;
            ::close(fd);
        }
        if (m_stop || WaitForStop(pause)) {
            break;
        }
        pause = std::min(pause * 2, kLongestPause);
    }
}

int CNmeaInClient::Connect() {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(m_host.c_str(), std::to_string(m_port).c_str(), &hints, &found) != 0) {
        return -1;
    }
    int connected = -1;
    for (const addrinfo* a = found; a != nullptr && connected < 0 && !m_stop; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            continue;
        }
        bool ok = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0;
        if (!ok && errno == EINPROGRESS) {
            pollfd p[2] = {{fd, POLLOUT, 0}, {m_wake[0], POLLIN, 0}};
            int soError = 0;
            socklen_t length = sizeof soError;
            ok = ::poll(p, 2, Milliseconds(kConnectTimeout)) > 0 && p[1].revents == 0 &&
                 p[0].revents != 0 &&
                 ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) == 0 && soError == 0;
        }
        if (ok) {
            connected = fd;
        } else {
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    return connected;
}

bool CNmeaInClient::Read(int fd) {
    const uint64_t fixesBefore = m_fixes;
    std::string line;
    bool overlong = false;
    char buffer[4096];
    while (!m_stop) {
        pollfd p[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(p, 2, Milliseconds(kSilence));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || p[1].revents != 0) {
            break;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        for (const char c : std::string_view(buffer, static_cast<size_t>(n))) {
            if (c == '\n' || c == '\r') {
                if (!overlong) {
                    TakeLine(line);
                }
                line.clear();
                overlong = false;
            } else if (line.size() < kMaxLine) {
                line += c;
            } else {
                overlong = true;
            }
        }
    }
    return m_fixes != fixesBefore;
}

void CNmeaInClient::TakeLine(std::string_view line) {
    if (line.size() < 6 || line.substr(3, 3) != "RMC") {
        return;
    }
    if (std::optional<OwnFix> fix = ParseRmc(line)) {
        std::lock_guard lock(m_mutex);
        m_fix = std::move(fix);
        m_fixTime = Clock::now();
        ++m_fixes;
    }
}

}  // namespace wavelore
