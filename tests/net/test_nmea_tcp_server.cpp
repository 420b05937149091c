// The NMEA server keeps serving a reading client while one that stopped
// reading falls behind and is dropped, without ever holding up the sender;
// it listens where it is told, and a storm of connections neither takes the
// program's last descriptors nor keeps it busy.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/nmea_tcp_server.h"
#include "support/process_runner.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;

template <typename Condition>
bool WaitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(NmeaTcpServer, AStalledClientIsDroppedWhileOthersGetEverySentence) {
    CNmeaTcpServer server;
    std::string error;
    CNmeaTcpServer::Options options;
    options.clientBacklog = 16 * 1024;
    options.socketSendBuffer = 4096;
    ASSERT_TRUE(server.Start(0, options, error)) << error;

    const int reader = test::ConnectLoopback(server.Port());
    const int stalled = test::ConnectLoopback(server.Port(), 2048);
    ASSERT_GE(reader, 0);
    ASSERT_GE(stalled, 0);
    ASSERT_TRUE(WaitFor([&] { return server.Clients() == 2; }));

    std::mutex mutex;
    std::string received;
    std::thread reading([&] {
        char buffer[4096];
        ssize_t n;
        while ((n = recv(reader, buffer, sizeof buffer, 0)) > 0) {
            std::lock_guard<std::mutex> lock(mutex);
            received.append(buffer, static_cast<size_t>(n));
        }
    });

    std::string sent;
    for (int i = 0; i < 600; ++i) {
        const std::string sentence = "$CRNRX,001,001," + std::to_string(100 + i % 100).substr(1) +
                                     ",EA12,,,,,,10,0,A,GALE WARNING NUMBER " + std::to_string(i) +
                                     "*00\r\n";
        server.SendSentences({sentence, sentence});
        sent += sentence + sentence;
        // The reader keeps up; the stalled client never reads.
        ASSERT_TRUE(WaitFor([&] {
            std::lock_guard<std::mutex> lock(mutex);
            return received.size() == sent.size();
        }));
    }
    EXPECT_EQ(server.Dropped(), 1u);
    EXPECT_EQ(server.Clients(), 1u);

    server.Stop();
    reading.join();
    EXPECT_EQ(received, sent);
    // The stalled client got a beginning, then the end of the connection.
    const std::string beginning = test::ReadToEnd(stalled);
    EXPECT_LT(beginning.size(), sent.size());
    EXPECT_EQ(beginning, sent.substr(0, beginning.size()));
    close(reader);
    close(stalled);
}

// Process processor time in seconds.
double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The soft limit on descriptors lowered for one test, as on a small receiver.
class CScopedDescriptorLimit {
  public:
    explicit CScopedDescriptorLimit(rlim_t soft) {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = soft;
        EXPECT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    }
    ~CScopedDescriptorLimit() { setrlimit(RLIMIT_NOFILE, &m_saved); }
    CScopedDescriptorLimit(const CScopedDescriptorLimit&) = delete;
    CScopedDescriptorLimit& operator=(const CScopedDescriptorLimit&) = delete;

  private:
    rlimit m_saved{};
};

TEST(NmeaTcpServer, AClientThatStopsReadingIsDroppedOnce256KBBehind) {
    CNmeaTcpServer server;
    std::string error;
    CNmeaTcpServer::Options options;
    // A send buffer the system fills well beyond what the client takes.
    options.socketSendBuffer = 128 * 1024;
    ASSERT_EQ(options.clientBacklog, 256u * 1024u);
    ASSERT_TRUE(server.Start(0, options, error)) << error;
    const int stalled = test::ConnectLoopback(server.Port(), 4096);
    ASSERT_GE(stalled, 0);
    ASSERT_TRUE(WaitFor([&] { return server.Clients() == 1; }));
    int held = 0;  // what the client's own side may hold for it
    socklen_t length = sizeof held;
    ASSERT_EQ(getsockopt(stalled, SOL_SOCKET, SO_RCVBUF, &held, &length), 0);

    const std::string sentence =
        "$CRNRX,001,001,00,EA12,,,,,,10,0,A," + std::string(40, 'X') + "*00\r\n";
    size_t sent = 0;
    while (server.Dropped() == 0 && sent < 4 * 1024 * 1024) {
        server.SendSentences({sentence});
        sent += sentence.size();
        // Time for the server to hand what waits to the system.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    // Behind is all that was sent, for the client read nothing: what waits
    // in the server, in the system's send buffer and in the client's.
    EXPECT_EQ(server.Dropped(), 1u);
    EXPECT_GT(sent, options.clientBacklog);
    EXPECT_LE(sent, options.clientBacklog + static_cast<size_t>(held) + sentence.size()) << sent;
    close(stalled);
}

TEST(NmeaTcpServer, ListensOnlyAtTheAddressItIsGiven) {
    EXPECT_TRUE(CNmeaTcpServer::IsBindAddress(""));
    EXPECT_TRUE(CNmeaTcpServer::IsBindAddress("127.0.0.1"));
    EXPECT_TRUE(CNmeaTcpServer::IsBindAddress("::1"));
    EXPECT_FALSE(CNmeaTcpServer::IsBindAddress("localhost"));  // never looked up
    EXPECT_FALSE(CNmeaTcpServer::IsBindAddress("127.0.0"));
    EXPECT_FALSE(CNmeaTcpServer::IsBindAddress("127.0.0.1:10110"));

    CNmeaTcpServer server;
    std::string error;
    CNmeaTcpServer::Options options;
    options.bindAddress = "127.0.0.1";
    ASSERT_TRUE(server.Start(0, options, error)) << error;
    const int local = test::ConnectLoopback(server.Port());
    EXPECT_GE(local, 0);
    EXPECT_TRUE(WaitFor([&] { return server.Clients() == 1; }));
    // Another local address (IPv6 loopback, where there is one) is not served.
    const int other = socket(AF_INET6, SOCK_STREAM, 0);
    if (other >= 0) {
        sockaddr_in6 addr{};
        addr.sin6_family = AF_INET6;
        addr.sin6_addr = in6addr_loopback;
        addr.sin6_port = htons(server.Port());
        EXPECT_NE(connect(other, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        close(other);
    }
    close(local);

    CNmeaTcpServer elsewhere;
    options.bindAddress = "192.0.2.1";  // documentation range: no computer's own
    EXPECT_FALSE(elsewhere.Start(0, options, error));
    EXPECT_EQ(error.rfind("cannot listen on 192.0.2.1 TCP port 0: ", 0), 0u) << error;
    options.bindAddress = "boat.local";
    EXPECT_FALSE(elsewhere.Start(0, options, error));
    EXPECT_EQ(error, "cannot listen on boat.local TCP port 0: not an IP address");
}

TEST(NmeaTcpServer, AConnectionStormNeitherTakesTheLastDescriptorsNorKeepsTheServerBusy) {
    constexpr rlim_t kLimit = 200;
    CScopedDescriptorLimit limit(kLimit);
    CNmeaTcpServer server;
    std::string error;
    CNmeaTcpServer::Options options;
    ASSERT_EQ(options.maxClients, 32u);
    ASSERT_TRUE(server.Start(0, options, error)) << error;
    const auto connectOne = [&] { return test::ConnectLoopbackWithin(server.Port(), 3s); };

    // Five times the limit in connections closed as soon as made: each is
    // closed by the server at once, none left holding a descriptor.
    for (int i = 0; i < 1000; ++i) {
        const int fd = connectOne();
        ASSERT_GE(fd, 0) << "connection " << i << " not taken";
        close(fd);
    }
    // Once one more is taken up, so are all before it.
    const int probe = connectOne();
    ASSERT_TRUE(WaitFor([&] { return server.Clients() == 1; }));
    close(probe);
    ASSERT_TRUE(WaitFor([&] { return server.Clients() == 0; }));

    // Forty that stay: 32 served, the rest refused at once.
    const uint64_t refusedBefore = server.Refused();
    std::vector<int> stay;
    for (int i = 0; i < 40; ++i) {
        stay.push_back(connectOne());
        ASSERT_GE(stay.back(), 0);
    }
    ASSERT_TRUE(
        WaitFor([&] { return server.Clients() + (server.Refused() - refusedBefore) == 40; }));
    EXPECT_EQ(server.Clients(), 32u);
    server.SendSentences({"$CRNRX,001,001,00,EA12,,,,,,10,0,A,GALE*00\r\n"});
    server.Stop();
    int served = 0;
    for (const int fd : stay) {
        served += test::ReadToEnd(fd).empty() ? 0 : 1;
        close(fd);
    }
    EXPECT_EQ(served, 32);

    // Every descriptor taken (by the program's own files, say): the
    // connections wait in the queue and the server waits with them instead
    // of trying again and again.
    ASSERT_TRUE(server.Start(0, options, error)) << error;
    std::vector<int> waiting;
    for (int i = 0; i < 5; ++i) {
        waiting.push_back(socket(AF_INET, SOCK_STREAM, 0));
    }
    std::vector<int> filler;
    for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
        filler.push_back(fd);
    }
    ASSERT_EQ(errno, EMFILE);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(server.Port());
    for (const int fd : waiting) {
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    }
    const double before = ProcessorSeconds();
    std::this_thread::sleep_for(1s);
    EXPECT_LT(ProcessorSeconds() - before, 0.2);
    EXPECT_EQ(server.Clients(), 0u);

    // Descriptors free again: the waiting connections are taken up.
    for (const int fd : filler) {
        close(fd);
    }
    EXPECT_TRUE(WaitFor([&] { return server.Clients() == 5; }));
    for (const int fd : waiting) {
        close(fd);
    }
}

}  // namespace
}  // namespace wavelore
