// Own position read over TCP from a GNSS source: valid RMC fixes only,
// whatever else and however cut the stream brings, and a connection lost
// is made again.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "common/nmea_checksum.h"
#include "net/nmea_in_client.h"
#include "support/fixtures.h"
#include "support/process_runner.h"

namespace wavelore {
namespace {

using namespace std::chrono_literals;

void Send(int fd, const std::string& bytes) {
    ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
}

std::string Sentence(const std::string& body) {
    return '$' + body + '*' + NmeaChecksum(body) + "\r\n";
}

TEST(NmeaInClient, KeepsTheNewestValidFixAndConnectsAgain) {
    test::CLoopbackListener gnss;
    CNmeaInClient client;
    std::string error;
    EXPECT_FALSE(client.Start("localhost", error));
    EXPECT_EQ(error, "\"localhost\" is not HOST:PORT");
    ASSERT_TRUE(client.Start("127.0.0.1:" + std::to_string(gnss.port), error)) << error;

    int fd = gnss.Accept();
    ASSERT_GE(fd, 0);
    // Other sentences, a fix without validity, a bad checksum, a line far
    // too long ending in a valid fix (dropped whole), then one good fix cut
    // in the middle and one in another talker's name, LF only.
    Send(fd, Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    Send(fd, Sentence("GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"));
    Send(fd, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*00\r\n");
    Send(fd, std::string(CNmeaInClient::kMaxLine, 'x') +
                 Sentence("GPRMC,123519,A,1000.000,N,01000.000,E,,,230394,,"));
    const std::string good =
        Sentence("GNRMC,083559.00,A,5412.500,N,00340.200,E,0.02,,010526,,,A,S");
    Send(fd, good.substr(0, 20));
    ASSERT_TRUE(test::Eventually([&] { return client.Connected(); }));
    EXPECT_FALSE(client.Fix(1h));
    Send(fd, good.substr(20));
    ASSERT_TRUE(test::Eventually([&] { return client.Fixes() == 1; }));
    std::optional<OwnFix> fix = client.Fix(1h);
    ASSERT_TRUE(fix);
    EXPECT_NEAR(fix->position.latitude, 54.0 + 12.5 / 60.0, 1e-9);
    EXPECT_NEAR(fix->position.longitude, 3.0 + 40.2 / 60.0, 1e-9);
    EXPECT_EQ(fix->utcTime, "083559.00");

    // The source goes away: the client comes back, and the fix it had stays
    // until it is too old.
    close(fd);
    fd = gnss.Accept();
    ASSERT_GE(fd, 0);
    // Accepted here before the client's thread has seen its connect end.
    EXPECT_TRUE(test::Eventually([&] { return client.Connections() == 2u; }));
    EXPECT_TRUE(client.Fix(1h));
    EXPECT_FALSE(client.Fix(0s));
    std::string other = Sentence("GPRMC,083600,A,3456.1234,S,13845.6789,W,,,010526,,");
    other.pop_back();
    other.back() = '\n';
    Send(fd, other);
    ASSERT_TRUE(test::Eventually([&] { return client.Fixes() == 2; }));
    EXPECT_LT(client.Fix(1h)->position.longitude, 0.0);

    // A stop while waiting for a source that never answers ends at once.
    close(fd);
    client.Stop();
    EXPECT_FALSE(client.Connected());
}

}  // namespace
}  // namespace wavelore
