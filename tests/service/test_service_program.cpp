// wavelore-service and wavelore-decode as their users run them: two
// receivers upload the same broadcast, and it is one message per header
// with two receptions each.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "service_harness.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "synth/synthesizer.h"

namespace wavelore::test {
namespace {

using namespace std::chrono_literals;

std::filesystem::path ServiceProgram() {
    return BinaryDir() / "src/service/wavelore-service";
}

class ServiceProgramRun : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (!m_database.Available()) {
            GTEST_SKIP() << kNoPostgres;
        }
    }

    // The service's command with the test's database.
    std::string Command(const std::string& args) const {
        std::string command = ShellQuote(ServiceProgram().string()) + " --config service.conf";
        if (GetParam() == Backend::Postgres) {
            command += " --database " + ShellQuote(m_database.Target());
        }
        return command + " " + args;
    }

    ScopedTempDir m_dir;
    CTestDatabase m_database{GetParam()};
};

TEST_P(ServiceProgramRun, TwoReceiversUploadingOneBroadcastMakeOneMessageWithTwoReceptions) {
    // Settings from a file and the environment.
    WriteFile("service.conf",
              "# test service\nlisten = 127.0.0.1:0\ndata = store\nversion_latest = 2.1.2\n"
              "site_title = \"Test network\"\n");
    std::vector<std::string> ids;
    for (const char* args : {"add-receiver Aldeburgh --position 52.15,1.60",
                             "add-receiver 'Bawdsey pier' --navarea 1"}) {
        ProcessOptions quiet;
        quiet.outPath = "id.txt";
        quiet.errPath = "add.txt";
        const ProcessResult added = RunProcess(Command(args), quiet);
        ASSERT_EQ(added.exitCode, 0) << added.err;
        ASSERT_EQ(added.out.size(), 37u) << added.out;  // the ID and a line end
        ids.push_back(added.out.substr(0, 36));
    }
    EXPECT_EQ(RunProcess(Command("add-receiver 'ERROR box'")).exitCode, 2);

    CBackgroundProcess service("env WAVELORE_SERVICE_LOG_REQUESTS=true " + Command("serve"));
    ASSERT_TRUE(service.Started());
    int port = 0;
    ASSERT_TRUE(Eventually([&] {
        const std::string log = ReadFile("err.txt");
        const size_t started = log.find("\"event\":\"started\"");
        const size_t at = log.find("\"port\":", started);
        if (started != std::string::npos && at != std::string::npos) {
            port = std::atoi(log.c_str() + at + 7);
        }
        return port != 0;
    })) << ReadFile("err.txt");

    const std::vector<synth::NavtexMessage> messages = {
        {u"EA12", u"NAVAREA I 123/27\nBUOY 52-30.1N 002-14.9E UNLIT.\n"},
        {u"EB45", u"GALE WARNING 7\nSOUTHWESTERLY 8.\n"},
    };
    auto recording = synth::SynthesizeBroadcast(synth::SynthMode::SitorB, messages, {});
    ASSERT_TRUE(recording);
    WriteFile("broadcast.raw", RawBytes(recording->samples));
    for (size_t i = 0; i < ids.size(); ++i) {
        ProcessOptions options;
        options.environment = {{"XDG_CONFIG_HOME", "config"},
                               {"WAVELORE_FIXED_TIME", "2027-01-15 09:05:07"}};
        options.outPath = "decode.txt";
        options.errPath = "decode-err.txt";
        const ProcessResult decoded =
            RunProcess(ShellQuote(DecodeTool().string()) + " --dir rx" + std::to_string(i) +
                           " --upload --uid " + ids[i] +
                           " --upload-host 127.0.0.1:" + std::to_string(port) + " broadcast.raw",
                       options);
        ASSERT_EQ(decoded.exitCode, 0) << decoded.err;
        EXPECT_NE(decoded.err.find("uploads: 2 sent, 0 left"), std::string::npos) << decoded.err;
    }

    const HttpAnswer stats = Get(port, "/api/stats");
    EXPECT_EQ(stats.body, "{\"receivers\":2,\"messages\":2,\"receptions\":4}\n");
    const HttpAnswer first = Get(port, "/api/messages/1");
    EXPECT_NE(first.body.find("\"identity\":\"EA12\""), std::string::npos) << first.body;
    EXPECT_NE(first.body.find("\"station_name\":\"Niton\""), std::string::npos);
    EXPECT_NE(first.body.find("\"receiver_name\":\"Aldeburgh\""), std::string::npos);
    EXPECT_NE(first.body.find("\"receiver_name\":\"Bawdsey pier\""), std::string::npos);
    // The buoy's position, read from the text by the receiver's own reader.
    EXPECT_NE(first.body.find("\"positions\":[{\"kind\":\"point\",\"coordinates\":[[2.24"),
              std::string::npos)
        << first.body;
    EXPECT_NE(Get(port, "/").body.find("<title>Latest messages - Test network</title>"),
              std::string::npos);
    EXPECT_EQ(Get(port, "/health").status, 200);
    EXPECT_NE(Get(port, "/metrics").body.find("wavelore_merges_total 2"), std::string::npos);

    service.Signal(SIGTERM);
    const ProcessResult stopped = service.Wait(10s);
    EXPECT_EQ(stopped.exitCode, 0);
    const std::string log = ReadFile("err.txt");
    EXPECT_NE(log.find("\"event\":\"upload\",\"outcome\":\"merged\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"event\":\"request\""), std::string::npos);
    EXPECT_NE(log.find("\"event\":\"stopped\""), std::string::npos);

    // A settings mistake is said at once, with its line.
    WriteFile("service.conf", "threads = many\n");
    const ProcessResult bad = RunProcess(Command("serve"));
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("service.conf:1: threads"), std::string::npos) << bad.err;
}

INSTANTIATE_TEST_SUITE_P(Backends, ServiceProgramRun,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres), BackendName);

}  // namespace
}  // namespace wavelore::test
