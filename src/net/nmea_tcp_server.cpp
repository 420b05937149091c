// POSIX sockets: the one file of the NMEA server that knows them.
#include "net/nmea_tcp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/start_thread.h"

namespace wavelore {

namespace {

using namespace std::chrono_literals;

// Descriptors kept for the program's own files (message files, logs, the
// index, commands): a connection that would leave fewer free is refused.
// Half the limit where the limit is lower.
constexpr rlim_t kReservedDescriptors = 64;
// Connections taken up in one go, so that a storm of them cannot keep the
// server from its clients.
constexpr int kAcceptsAtOnce = 64;
// The pause after the system had no descriptor (or memory) for a
// connection, doubled at each failure in a row up to the longest.
constexpr std::chrono::milliseconds kFirstAcceptPause = 100ms;
constexpr std::chrono::milliseconds kLongestAcceptPause = 2000ms;

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// A listening socket bound to address; -1 with errorNumber set when not.
int BindAndListen(int family, const sockaddr* address, socklen_t length, int& errorNumber) {
    const int fd = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        errorNumber = errno;
        return -1;
    }
    const int one = 1;
    const int zero = 0;
    if (family == AF_INET6) {
        // IPv4 mapped in too, for the unspecified address.
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero);
    }
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // A long queue: a burst of connections then waits for its turn instead
    // of being turned away, chart plotters among them.
    if (bind(fd, address, length) != 0 || listen(fd, SOMAXCONN) != 0) {
        errorNumber = errno;
        close(fd);
        return -1;
    }
    return fd;
}

// A socket listening on every address: IPv6 with IPv4 mapped into it, or
// IPv4 alone where the system has no IPv6.
int ListenEverywhere(uint16_t port, std::string& error) {
    int errorNumber = 0;
    sockaddr_in6 any6{};
    any6.sin6_family = AF_INET6;
    any6.sin6_addr = in6addr_any;
    any6.sin6_port = htons(port);
    int fd = BindAndListen(AF_INET6, reinterpret_cast<sockaddr*>(&any6), sizeof any6, errorNumber);
    if (fd >= 0) {
        return fd;
    }
    if (errorNumber != EAFNOSUPPORT && errorNumber != EADDRNOTAVAIL) {
        error = std::strerror(errorNumber);
        return -1;
    }
    sockaddr_in any4{};
    any4.sin_family = AF_INET;
    any4.sin_addr.s_addr = htonl(INADDR_ANY);
    any4.sin_port = htons(port);
    fd = BindAndListen(AF_INET, reinterpret_cast<sockaddr*>(&any4), sizeof any4, errorNumber);
    if (fd < 0) {
        error = std::strerror(errorNumber);
    }
    return fd;
}

// The numeric address with port, never looked up by name; null when it is
// no address. Free with freeaddrinfo.
addrinfo* NumericAddress(const std::string& address, uint16_t port) {
    // Only the dotted quad for IPv4: the lookup also takes old short forms
    // ("10.1" for 10.0.0.1) that are more likely a typing error.
    in_addr ipv4{};
    if (address.find(':') == std::string::npos && inet_pton(AF_INET, address.c_str(), &ipv4) != 1) {
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(address.c_str(), service.c_str(), &hints, &found) != 0) {
        return nullptr;
    }
    return found;
}

int ListenOn(const std::string& address, uint16_t port, std::string& error) {
    if (address.empty()) {
        return ListenEverywhere(port, error);
    }
    addrinfo* found = NumericAddress(address, port);
    if (found == nullptr) {
        error = "not an IP address";
        return -1;
    }
    int errorNumber = 0;
    const int fd = BindAndListen(found->ai_family, found->ai_addr, found->ai_addrlen, errorNumber);
    freeaddrinfo(found);
    if (fd < 0) {
        error = std::strerror(errorNumber);
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

// fd is the lowest free descriptor the system had, so no more than those
// from fd on are free.
bool LeavesTooFewDescriptors(int fd) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return false;
    }
    const rlim_t reserve = std::min(kReservedDescriptors, limit.rlim_cur / 2);
    return static_cast<rlim_t>(fd) + reserve >= limit.rlim_cur;
}

// The client closed its side (or the connection broke): there is nothing
// to serve. What it sent stays to be read.
bool PeerClosed(int fd) {
    char next = 0;
    const ssize_t n = recv(fd, &next, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

// Bytes a client's socket holds that the client has not acknowledged yet.
size_t HeldBySystem(int fd) {
    int bytes = 0;
#ifdef TIOCOUTQ
    if (ioctl(fd, TIOCOUTQ, &bytes) == 0) {
        return bytes > 0 ? static_cast<size_t>(bytes) : 0;
    }
#endif
    // Where the system does not say, all of the send buffer counts.
    socklen_t length = sizeof bytes;
    if (getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, &length) == 0 && bytes > 0) {
        return static_cast<size_t>(bytes);
    }
    return 0;
}

}  // namespace

CNmeaTcpServer::CNmeaTcpServer() = default;

CNmeaTcpServer::~CNmeaTcpServer() {
    Stop();
}

bool CNmeaTcpServer::IsBindAddress(const std::string& address) {
    if (address.empty()) {
        return true;
    }
    addrinfo* found = NumericAddress(address, 0);
    if (found == nullptr) {
        return false;
    }
    freeaddrinfo(found);
    return true;
}

bool CNmeaTcpServer::Start(uint16_t port, std::string& error) {
    return Start(port, Options{}, error);
}

bool CNmeaTcpServer::Start(uint16_t port, const Options& options, std::string& error) {
    Stop();
    m_options = options;
    m_options.maxClients = std::clamp<size_t>(m_options.maxClients, 1, kMostClients);
    std::string why;
    m_listen = ListenOn(options.bindAddress, port, why);
    if (m_listen < 0) {
        const std::string where = options.bindAddress.empty() ? "" : options.bindAddress + " ";
        error = "cannot listen on " + where + "TCP port " + std::to_string(port) + ": " + why;
        return false;
    }
    m_port = BoundPort(m_listen);
    if (pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = std::string("cannot start the NMEA server: ") + std::strerror(errno);
        Stop();
        return false;
    }
    m_acceptResumes = {};
    m_acceptPause = {};
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
    return Served();
}

size_t CNmeaTcpServer::Served() const {
    return static_cast<size_t>(
        std::count_if(m_clients.begin(), m_clients.end(), [](const auto& c) { return !c->drop; }));
}

void CNmeaTcpServer::Wake() {
    if (m_wake[1] >= 0) {
        const char byte = 0;
        // A full pipe already holds a wake-up.
        [[maybe_unused]] const ssize_t n = write(m_wake[1], &byte, 1);
    }
}

void CNmeaTcpServer::SendSentences(const std::vector<std::string>& sentences) {
    std::string bytes;
    for (const std::string& sentence : sentences) {
        bytes += sentence;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A client whose connection is complete gets these too, even if the
        // server's thread has not taken it up yet.
        AcceptClients();
        for (auto& client : m_clients) {
            if (client->drop) {
                continue;
            }
            const size_t behind = client->pending.size() + HeldBySystem(client->fd);
            if (behind + bytes.size() > m_options.clientBacklog) {
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
    if (m_listen < 0 || Clock::now() < m_acceptResumes) {
        return;
    }
    for (int taken = 0; taken < kAcceptsAtOnce; ++taken) {
        int fd = accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return;
            }
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) {
                continue;  // that connection alone
            }
            // Out of descriptors or memory: the connection waits in the
            // queue, which stays readable, so polling again at once would
            // only spin. Try again later.
            m_acceptPause = std::clamp(2 * m_acceptPause, kFirstAcceptPause, kLongestAcceptPause);
            m_acceptResumes = Clock::now() + m_acceptPause;
            return;
        }
        m_acceptPause = {};
        if (PeerClosed(fd)) {
            CloseFd(fd);  // connected and gone again, as in a storm
            continue;
        }
        if (Served() >= m_options.maxClients) {
            // Gone clients the server's thread has not seen yet do not count.
            for (auto& client : m_clients) {
                client->drop = client->drop || PeerClosed(client->fd);
            }
        }
        if (Served() >= m_options.maxClients || LeavesTooFewDescriptors(fd)) {
            ++m_refused;
            CloseFd(fd);
            continue;
        }
        if (m_options.socketSendBuffer > 0) {
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &m_options.socketSendBuffer,
                       sizeof m_options.socketSendBuffer);
        }
        auto client = std::make_unique<Client>();
        client->fd = fd;
        m_clients.push_back(std::move(client));
    }
}

void CNmeaTcpServer::Run() {
    std::vector<pollfd> fds;
    while (!m_stop) {
        fds.clear();
        fds.push_back({m_wake[0], POLLIN, 0});
        int timeout = -1;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const Clock::duration paused = m_acceptResumes - Clock::now();
            // A negative descriptor is not polled: none while accepting waits.
            fds.push_back({paused > Clock::duration::zero() ? -1 : m_listen, POLLIN, 0});
            if (paused > Clock::duration::zero()) {
                timeout =
                    static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(paused).count());
            }
            for (const auto& client : m_clients) {
                const short events =
                    static_cast<short>(POLLIN | (client->pending.empty() ? 0 : POLLOUT));
                fds.push_back({client->fd, events, 0});
            }
        }
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            return;
        }
        if (fds[0].revents != 0) {
            char drain[64];
            while (read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (fds[1].revents != 0 || timeout >= 0) {
            AcceptClients();
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            // Clients only join at the end of the list, so the first ones
            // are still those polled.
            Client& client = *m_clients[i - 2];
            bool keep = !client.drop;
            if (keep && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                char ignored[512];
                const ssize_t n = recv(client.fd, ignored, sizeof ignored, MSG_DONTWAIT);
                // 0: the client closed its side. Plotters only do that when
                // they leave, and keeping it would hold its descriptor.
                keep =
                    n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR));
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
