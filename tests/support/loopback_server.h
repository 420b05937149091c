#pragma once

// A tiny HTTP-ish server on 127.0.0.1 for the upload tests: records every
// request byte for byte and answers with a canned reply, optionally after a
// delay, or not at all. Raw sockets, so the recorded bytes are exactly what
// went over the wire.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wavelore::test {

class LoopbackServer {
  public:
    LoopbackServer() {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        if (bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(m_listen, 16) != 0) {
            std::abort();
        }
        socklen_t len = sizeof addr;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Run(); });
    }

    ~LoopbackServer() {
        m_stop = true;
        m_thread.join();
        close(m_listen);
    }

    int Port() const { return m_port; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }

    // The bytes sent back for every request; empty closes without a reply.
    void SetReply(std::string reply) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reply = std::move(reply);
    }
    // Time to wait after the request before answering.
    void SetDelay(std::chrono::milliseconds delay) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_delay = delay;
    }

    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    size_t RequestCount() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests.size();
    }
    // Waits until count requests have arrived; false after the timeout.
    bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] { return m_requests.size() >= count; });
    }

    static std::string Reply(const std::string& status, const std::string& body) {
        return "HTTP/1.0 " + status +
               "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\n\r\n" + body;
    }

  private:
    void Run() {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) {
                continue;
            }
            const int fd = accept(m_listen, nullptr, nullptr);
            if (fd >= 0) {
                Serve(fd);
                close(fd);
            }
        }
    }

    void Serve(int fd) {
        std::string request;
        char buf[4096];
        // Read the header block, then as many body bytes as it announces.
        size_t needed = std::string::npos;
        while (!m_stop && (needed == std::string::npos || request.size() < needed)) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) {
                continue;
            }
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                break;
            }
            request.append(buf, static_cast<size_t>(n));
            const size_t end = request.find("\r\n\r\n");
            if (needed == std::string::npos && end != std::string::npos) {
                size_t length = 0;
                const size_t at = request.find("Content-Length: ");
                if (at != std::string::npos && at < end) {
                    length = std::strtoul(request.c_str() + at + 16, nullptr, 10);
                }
                needed = end + 4 + length;
            }
        }
        std::string reply;
        std::chrono::milliseconds delay;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(request);
            reply = m_reply;
            delay = m_delay;
        }
        m_arrived.notify_all();
        const auto until = std::chrono::steady_clock::now() + delay;
        while (!m_stop && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        size_t sent = 0;
        while (!m_stop && sent < reply.size()) {
            const ssize_t n = send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            sent += static_cast<size_t>(n);
        }
    }

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::string m_reply = Reply("200 OK", "OK");
    std::chrono::milliseconds m_delay{0};
    std::vector<std::string> m_requests;
};

// A port on 127.0.0.1 where nothing listens (bound, then released).
inline int UnusedLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

// An "UploadHost" value where no service answers: a window under test asks
// it for the version at start-up and is refused at once, without a name
// lookup that would leave the machine.
inline std::u16string ClosedUploadHost() {
    const std::string host = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    return std::u16string(host.begin(), host.end());
}

}  // namespace wavelore::test
