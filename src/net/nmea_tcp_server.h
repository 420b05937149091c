#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/nmea_sink.h"

namespace wavelore {

// NMEA sentences served over TCP, as chart plotters read them: any number
// of clients connect to the port and each receives every sentence sent
// after it connected. What clients send is read and ignored. A client that
// falls more than a bounded amount behind (it stopped reading, or its link
// is too slow) is disconnected; sending never waits for a client. The
// sockets are served by a thread of the server's own.
class CNmeaTcpServer final : public INmeaSink {
  public:
    static constexpr uint16_t kDefaultPort = 10110;  // the usual NMEA-over-TCP port

    struct Options {
        // Bytes a client may have waiting before it is disconnected.
        size_t clientBacklog = 256 * 1024;
        // The kernel's send buffer of each client socket; 0 keeps the
        // system's (tests make it small to see a stalled client sooner).
        int socketSendBuffer = 0;
    };

    CNmeaTcpServer();
    ~CNmeaTcpServer() override;
    CNmeaTcpServer(const CNmeaTcpServer&) = delete;
    CNmeaTcpServer& operator=(const CNmeaTcpServer&) = delete;

    // Listens on port (0: a free port the system chooses) on every local
    // address, IPv6 and IPv4, and starts serving. False, with error set,
    // when the port cannot be had or the thread not started.
    bool Start(uint16_t port, std::string& error);
    bool Start(uint16_t port, const Options& options, std::string& error);
    // Disconnects every client and closes the port; also on destruction.
    void Stop();

    // The port listened on (the chosen one after Start with 0).
    uint16_t Port() const { return m_port; }
    // Clients connected now, and disconnected for falling behind so far.
    size_t Clients() const;
    uint64_t Dropped() const { return m_dropped; }

    // INmeaSink: queued for every connected client.
    void SendSentences(const std::vector<std::string>& sentences) override;

  private:
    struct Client {
        int fd = -1;
        std::string pending;
        bool drop = false;
        bool readClosed = false;  // it shut its sending side; it may still read
    };

    void Run();
    void Wake();
    void AcceptClients();
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
    std::atomic<uint64_t> m_dropped{0};
};

}  // namespace wavelore
