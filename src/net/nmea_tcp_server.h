#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/nmea_sink.h"

namespace wavelore {

// NMEA sentences served over TCP, as chart plotters read them: up to a
// bounded number of clients connect to the port and each receives every
// sentence sent after it connected; more are refused. What clients send is
// read and ignored; one that closes its side is closed at once. A client
// that falls more than a bounded amount behind (it stopped reading, or its
// link is too slow) is disconnected; sending never waits for a client. The
// sockets are served by a thread of the server's own, which never takes
// the last descriptors the program has (its own files need them) and waits
// a while when the system has none left instead of trying again at once.
class CNmeaTcpServer final : public INmeaSink {
  public:
    static constexpr uint16_t kDefaultPort = 10110;  // the usual NMEA-over-TCP port
    static constexpr size_t kDefaultMaxClients = 32;
    static constexpr size_t kMostClients = 1024;

    struct Options {
        // The local address listened on, numeric IPv4 or IPv6 ("127.0.0.1",
        // "::1", "fe80::1%eth0"); empty: every address, IPv6 and IPv4.
        std::string bindAddress;
        // Clients served at once, 1 .. kMostClients; more are refused.
        size_t maxClients = kDefaultMaxClients;
        // Bytes a client may be behind before it is disconnected: those
        // waiting here and those the system has taken but not yet sent.
        size_t clientBacklog = 256 * 1024;
        // The kernel's send buffer of each client socket; 0 keeps the
        // system's (tests make it small to see a stalled client sooner).
        int socketSendBuffer = 0;
    };

    CNmeaTcpServer();
    ~CNmeaTcpServer() override;
    CNmeaTcpServer(const CNmeaTcpServer&) = delete;
    CNmeaTcpServer& operator=(const CNmeaTcpServer&) = delete;

    // True for what Options::bindAddress takes: empty, or a numeric address.
    static bool IsBindAddress(const std::string& address);

    // Listens on port (0: a free port the system chooses) at the options'
    // address and starts serving. False, with error set, when the address
    // or port cannot be had or the thread not started.
    bool Start(uint16_t port, std::string& error);
    bool Start(uint16_t port, const Options& options, std::string& error);
    // Disconnects every client and closes the port; also on destruction.
    void Stop();

    // The port listened on (the chosen one after Start with 0).
    uint16_t Port() const { return m_port; }
    // The options of the last Start.
    const Options& Configuration() const { return m_options; }
    // Clients connected now; disconnected for falling behind so far;
    // refused (too many, or too few descriptors left) so far.
    size_t Clients() const;
    uint64_t Dropped() const { return m_dropped; }
    uint64_t Refused() const { return m_refused; }

    // INmeaSink: queued for every connected client.
    void SendSentences(const std::vector<std::string>& sentences) override;

  private:
    struct Client {
        int fd = -1;
        std::string pending;
        bool drop = false;
    };
    using Clock = std::chrono::steady_clock;

    void Run();
    void Wake();
    // Takes up completed connections; the caller holds m_mutex.
    void AcceptClients();
    // Clients not yet dropped; the caller holds m_mutex.
    size_t Served() const;
    // Sends what is pending; false when the client is to be closed.
    static bool Flush(Client& client);

    Options m_options;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    uint16_t m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<Client>> m_clients;
    // After the system had no descriptor for a connection: no accepting
    // until then, and the pause before the next try if it fails again.
    Clock::time_point m_acceptResumes{};
    std::chrono::milliseconds m_acceptPause{0};
    std::atomic<uint64_t> m_dropped{0};
    std::atomic<uint64_t> m_refused{0};
};

}  // namespace wavelore
