// A warning's positions from a synthesized broadcast through wavelore-decode
// to every place they go: the run's GeoJSON and GPX, the feeds under logs/,
// WPL sentences after the NRX ones, and the distance from own position
// read over TCP.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "common/nmea_checksum.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "synth/synthesizer.h"
#include "synth/transmission.h"

namespace wavelore::test {
namespace {

using namespace std::chrono_literals;

TEST(GeoCli, AWarningsPositionsReachTheFilesTheNmeaClientsAndTheVerboseLine) {
    ScopedTempDir dir;
    auto broadcast = synth::MakeBroadcast(
        synth::SynthMode::SitorB,
        {{u"GA12", u"WRECK IN POSITION 54-12.5N 003-40.2E. WIDE BERTH REQUESTED."},
         {u"GA12", u"WRECK IN POSITION 54-12.5N 003-40.2E. WIDE BERTH REQUESTED. REPEATED."},
         {u"GA13",
          u"FIRING EXERCISES AREA BOUNDED BY 54-10N 003-20E, 54-20N 003-20E, "
          u"54-20N 003-40E."},
         {u"FA14", u"WRECK 52-00N 004-00E."}});
    ASSERT_TRUE(broadcast);
    const synth::Recording recording = synth::Synthesize(*broadcast, synth::SynthOptions{});

    // A GNSS source on a free local port: a ship 30 miles south of the wreck.
    CLoopbackListener gnss;
    CBackgroundProcess tool(
        "env WAVELORE_FIXED_TIME='2024-03-05 14:03:22' "
        "XDG_CONFIG_HOME=config TZ=UTC " +
            ShellQuote(DecodeTool()) + " --stations G --verbose --nmea-tcp 0 --nmea-in 127.0.0.1:" +
            std::to_string(gnss.port) + " --geojson run.geojson --gpx run.gpx -",
        true);
    ASSERT_TRUE(tool.Started());
    const int port = AnnouncedNmeaPort("err.txt");
    ASSERT_NE(port, 0) << ReadFile("err.txt");
    const int reader = ConnectLoopback(port);
    ASSERT_GE(reader, 0);
    const int source = gnss.Accept();
    ASSERT_GE(source, 0);
    const std::string body = "GPRMC,120000,A,5342.500,N,00340.200,E,,,050324,,";
    const std::string rmc = '$' + body + '*' + NmeaChecksum(body) + "\r\n";
    ASSERT_EQ(send(source, rmc.data(), rmc.size(), MSG_NOSIGNAL), static_cast<ssize_t>(rmc.size()));
    // The fix crosses the loopback long before the first message is decoded.
    std::this_thread::sleep_for(200ms);

    ASSERT_TRUE(tool.WriteInput(reinterpret_cast<const char*>(recording.samples.data()),
                                recording.samples.size() * 2));
    tool.CloseInput();
    const std::string stream = ReadToEnd(reader);
    const ProcessResult result = tool.Wait(60s);
    close(reader);
    close(source);
    EXPECT_EQ(result.exitCode, 0) << result.err;

    // Waypoints after the NRX sentences of the new messages only.
    const size_t nrx = stream.find("$CRNRX,002,001,00,GA12,");
    const size_t wreck = stream.find("$CRWPL,5412.50,N,00340.20,E,GA12*");
    ASSERT_NE(nrx, std::string::npos) << stream;
    EXPECT_GT(wreck, nrx);
    EXPECT_EQ(CountOf(stream, "$CRWPL,"), 4u) << stream;
    EXPECT_EQ(CountOf(stream, ",GA13-3*"), 1u) << stream;

    // The wreck 30 miles off; the repeat and station F as they were.
    const std::string err = ReadFile("err.txt");
    EXPECT_NE(err.find("GA12 from G Cullercoats (Nav warning), quality 100%, new, "
                       "30.0 NM from own position 53-42.50N 003-40.20E: "),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("GA12 from G Cullercoats (Nav warning), quality 100%, repeat, 30.0 NM"),
              std::string::npos);
    EXPECT_EQ(CountOf(err, "NM from own position"), 4u) << err;
    EXPECT_EQ(CountOf(ReadFile("run.geojson"), "REPEATED"), 0u);

    // The run's files and the feeds: GA12 once, the area closed and
    // counter-clockwise, FA14 not selected.
    for (const char* file : {"run.geojson", "logs/warnings.geojson"}) {
        const std::string json = ReadFile(file);
        EXPECT_EQ(CountOf(json, "\"type\":\"Feature\""), 2u) << file << json;
        EXPECT_NE(json.find("\"coordinates\":[3.67,54.208333]"), std::string::npos) << json;
        EXPECT_NE(json.find("[[[3.666667,54.333333],[3.333333,54.333333],[3.333333,54.166667],"
                            "[3.666667,54.333333]]]"),
                  std::string::npos)
            << json;
        EXPECT_EQ(CountOf(json, "FA14"), 0u);
    }
    for (const char* file : {"run.gpx", "logs/warnings.gpx"}) {
        const std::string gpx = ReadFile(file);
        EXPECT_EQ(CountOf(gpx, "<wpt lat=\"54.208333\" lon=\"3.67\">"), 1u) << file << gpx;
        EXPECT_EQ(CountOf(gpx, "<rte>"), 1u) << gpx;
        const ProcessResult lint = RunProcess("xmllint --noout " + std::string(file));
        if (lint.exitCode != 127) {
            EXPECT_EQ(lint.exitCode, 0) << lint.err;
        }
    }
}

}  // namespace
}  // namespace wavelore::test
