// The NMEA server keeps serving a reading client while one that stopped
// reading falls behind and is dropped, without ever holding up the sender.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
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

}  // namespace
}  // namespace wavelore
