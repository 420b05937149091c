// POSIX sockets: the one file of the NMEA server that knows them.
#include "net/nmea_tcp_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/start_thread.h"

namespace wavelore {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// A socket listening on every address: IPv6 with IPv4 mapped into it, or
// IPv4 alone where the system has no IPv6.
int ListenOn(uint16_t port, std::string& error) {
    const int one = 1;
    int fd = socket(AF_INET6, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        const int zero = 0;
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero);
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in6 addr{};
        addr.sin6_family = AF_INET6;
        addr.sin6_addr = in6addr_any;
        addr.sin6_port = htons(port);
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(fd, 16) == 0) {
            return fd;
        }
        const int bindError = errno;
        close(fd);
        if (bindError != EAFNOSUPPORT && bindError != EADDRNOTAVAIL) {
            error = std::strerror(bindError);
            return -1;
        }
    }
    fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
        error = std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

uint16_t BoundPort(int fd) {
    sockaddr_storage addr{};
    socklen_t length = sizeof addr;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
        return 0;
    }
    if (addr.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port);
    }
    return ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
}

}  // namespace

CNmeaTcpServer::CNmeaTcpServer() = default;

CNmeaTcpServer::~CNmeaTcpServer() {
    Stop();
}

bool CNmeaTcpServer::Start(uint16_t port, std::string& error) {
    return Start(port, Options{}, error);
}

bool CNmeaTcpServer::Start(uint16_t port, const Options& options, std::string& error) {
    Stop();
    m_options = options;
    std::string why;
    m_listen = ListenOn(port, why);
    if (m_listen < 0) {
        error = "cannot listen on TCP port " + std::to_string(port) + ": " + why;
        return false;
    }
    m_port = BoundPort(m_listen);
    if (pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = std::string("cannot start the NMEA server: ") + std::strerror(errno);
        Stop();
        return false;
    }
    m_stop = false;
    if (!StartThread(m_thread, [this] { Run(); })) {
        error = "cannot start the NMEA server's thread";
        Stop();
        return false;
    }
    return true;
}

void CNmeaTcpServer::Stop() {
    m_stop = true;
    Wake();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& client : m_clients) {
        CloseFd(client->fd);
    }
    m_clients.clear();
    CloseFd(m_listen);
    CloseFd(m_wake[0]);
    CloseFd(m_wake[1]);
}

size_t CNmeaTcpServer::Clients() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t count = 0;
    for (const auto& client : m_clients) {
        count += client->drop ? 0 : 1;
    }
    return count;
}

void CNmeaTcpServer::Wake() {
    if (m_wake[1] >= 0) {
        const char byte = 0;
        // A full pipe already holds a wake-up.
        [[maybe_unused]] const ssize_t n = write(m_wake[1], &byte, 1);
    }
}

void CNmeaTcpServer::SendSentences(const std::vector<std::string>& sentences) {
    // A client whose connection is complete gets these too, even if the
    // server's thread has not taken it up yet.
    AcceptClients();
    std::string bytes;
    for (const std::string& sentence : sentences) {
        bytes += sentence;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& client : m_clients) {
            if (client->drop) {
                continue;
            }
            if (client->pending.size() + bytes.size() > m_options.clientBacklog) {
                // Behind by more than it may be: it gets nothing more.
                client->drop = true;
                client->pending.clear();
                ++m_dropped;
                continue;
            }
            client->pending += bytes;
        }
    }
    Wake();
}

bool CNmeaTcpServer::Flush(Client& client) {
    while (!client.pending.empty()) {
        const ssize_t n = send(client.fd, client.pending.data(), client.pending.size(),
                               MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            client.pending.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return true;
        } else {
            return false;
        }
    }
    return true;
}

void CNmeaTcpServer::AcceptClients() {
    if (m_listen < 0) {
        return;
    }
    for (;;) {
        const int fd = accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (m_options.socketSendBuffer > 0) {
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &m_options.socketSendBuffer,
                       sizeof m_options.socketSendBuffer);
        }
        auto client = std::make_unique<Client>();
        client->fd = fd;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_clients.push_back(std::move(client));
    }
}

void CNmeaTcpServer::Run() {
    std::vector<pollfd> fds;
    while (!m_stop) {
        fds.clear();
        fds.push_back({m_wake[0], POLLIN, 0});
        fds.push_back({m_listen, POLLIN, 0});
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const auto& client : m_clients) {
                const short events = static_cast<short>((client->readClosed ? 0 : POLLIN) |
                                                        (client->pending.empty() ? 0 : POLLOUT));
                fds.push_back({client->fd, events, 0});
            }
        }
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[0].revents != 0) {
            char drain[64];
            while (read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[1].revents != 0) {
            AcceptClients();
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        for (size_t i = 2; i < fds.size(); ++i) {
            // Clients only join at the end of the list, so the first ones
            // are still those polled.
            Client& client = *m_clients[i - 2];
            bool keep = !client.drop;
            if (keep && (fds[i].revents & POLLIN) != 0) {
                char ignored[512];
                const ssize_t n = recv(client.fd, ignored, sizeof ignored, MSG_DONTWAIT);
                client.readClosed = n == 0;
                keep = n >= 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
            }
            if (keep && (fds[i].revents & (POLLERR | POLLNVAL)) != 0) {
                keep = false;
            }
            if (keep) {
                keep = Flush(client);
            }
            if (!keep) {
                client.drop = true;
                CloseFd(client.fd);
            }
        }
        std::erase_if(m_clients, [](const auto& client) { return client->fd < 0; });
    }
}

}  // namespace wavelore
