// wavelore-decode --upload against a collection service on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/utf.h"
#include "net/upload_request.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"
#include "support/process_runner.h"
#include "support/upload_wire.h"
#include "synth/synthesizer.h"

namespace wavelore::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kUid = "0123abcd-ef01-2345-6789-abcdefabcdef";
constexpr const char* kUpperUid = "0123ABCD-EF01-2345-6789-ABCDEFABCDEF";

// Runs the tool in the current directory with a fixed clock and a settings
// profile of its own under ./config.
ProcessResult RunDecode(const std::string& args) {
    ProcessOptions options;
    options.environment = {{"WAVELORE_FIXED_TIME", "2007-07-21 09:05:07"},
                           {"XDG_CONFIG_HOME", "config"}};
    return RunProcess(ShellQuote(DecodeTool()) + " --dir out " + args, options);
}

class UploadCli : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const std::vector<synth::NavtexMessage> messages = {
            {u"EA12", u"NAVAREA I 123/26\nBUOY 52-30.1N 002-14.9E UNLIT.\n"},
            {u"SE45", u"GALE WARNING 7\nSOUTHWESTERLY 8.\n"},
        };
        auto recording = synth::SynthesizeBroadcast(synth::SynthMode::SitorB, messages, {});
        ASSERT_TRUE(recording);
        s_raw = new std::string(RawBytes(recording->samples));
    }
    static void TearDownTestSuite() {
        delete s_raw;
        s_raw = nullptr;
    }

    void SetUp() override { WriteFile("broadcast.raw", *s_raw); }

    void StoreSettings(const std::string& lines) {
        std::filesystem::create_directories("config/Tarvolt");
        WriteFile("config/Tarvolt/Wavelore.conf", "[Settings]\n" + lines);
    }

    ScopedTempDir m_dir;

  private:
    static inline std::string* s_raw = nullptr;
};

TEST_F(UploadCli, EveryStoredMessageIsUploadedExactly) {
    LoopbackServer server;
    const ProcessResult r = RunDecode(std::string("--upload --uid ") + kUid + " --upload-host " +
                                      server.Host() + " broadcast.raw");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("wavelore-decode: uploads: 2 sent, 0 left"), std::string::npos) << r.err;
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);

    // The first, byte for byte; its text is what the stored file holds
    // after the header line.
    const std::string stored = ReadFile("out/logs/2007-07-21/2007-07-21 09.05.07 EA12.txt");
    const std::string headerLine = "09:05:07 2007-07-21\r\n\r\nZCZC EA12\r\n";
    ASSERT_EQ(stored.rfind(headerLine, 0), 0u) << stored;
    const std::string message =
        ToUtf8(EscapeMessageText(FromUtf8(stored.substr(headerLine.size()))));
    const std::string expected =
        UploadRequestOnTheWire(server.Host(), {
                                                  {"PATH", "/cgi-bin/navtex/navtex_upload.cgi"},
                                                  {"UID", kUpperUid},
                                                  {"VERSION", "2.1.2"},
                                                  {"DATE", "2007-07-21"},
                                                  {"TIME", "09%3A05%3A07"},
                                                  {"NAVAREA", "1"},
                                                  {"STATION", "E"},
                                                  {"NUMBER", "12"},
                                                  {"MESSAGE", message},
                                                  {"TYPE", "A"},
                                                  {"QUALITY", "100"},
                                              });
    EXPECT_EQ(requests[0], expected);
    EXPECT_NE(message.find("%4E%41%56%41%52%45%41"), std::string::npos);  // "NAVAREA"
    EXPECT_EQ(PartValue(requests[1], "STATION") + PartValue(requests[1], "TYPE") +
                  PartValue(requests[1], "NUMBER"),
              "SE45");
}

TEST_F(UploadCli, StoredIdAndHostAreUsedAndTheCommandLineOverrides) {
    LoopbackServer stored;
    LoopbackServer given;
    StoreSettings(std::string("UID=") + kUpperUid + "\nUploadHost=" + stored.Host() + "\n");
    ProcessResult r = RunDecode("--upload broadcast.raw");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(stored.RequestCount(), 2u);
    EXPECT_EQ(PartValue(stored.Requests()[0], "UID"), kUpperUid);

    r = RunDecode("--upload --uid 11111111-2222-3333-4444-555555555555 --upload-host " +
                  given.Host() + " broadcast.raw");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(stored.RequestCount(), 2u);
    ASSERT_EQ(given.RequestCount(), 2u);
    EXPECT_EQ(PartValue(given.Requests()[0], "UID"), "11111111-2222-3333-4444-555555555555");

    // Without --upload nothing is sent, whatever is stored.
    r = RunDecode("broadcast.raw");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(stored.RequestCount(), 2u);
    EXPECT_EQ(r.err.find("uploads"), std::string::npos);
}

TEST_F(UploadCli, ServiceDownOrAnsweringGarbageLeavesMessagesCounted) {
    const auto start = std::chrono::steady_clock::now();
    ProcessResult r = RunDecode(std::string("--upload --uid ") + kUid + " --upload-wait 1" +
                                " --upload-host 127.0.0.1:" + std::to_string(UnusedLoopbackPort()) +
                                " broadcast.raw");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("wavelore-decode: uploads: 0 sent, 2 left"), std::string::npos) << r.err;
    // Decoding was not held up, and the message files are there.
    EXPECT_TRUE(std::filesystem::exists("out/logs/2007-07-21/2007-07-21 09.05.07 SE45.txt"));

    LoopbackServer garbage;
    garbage.SetReply("\x01\x02 not a reply at all\r\n\r\n");
    r = RunDecode(std::string("--upload --uid ") + kUid + " --upload-wait 3 --upload-host " +
                  garbage.Host() + " broadcast.raw");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("uploads: 0 sent, 2 left"), std::string::npos) << r.err;
    // Both were tried, and retried, within the wait.
    EXPECT_GE(garbage.RequestCount(), 3u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
}

TEST_F(UploadCli, UnusableUploadSettingsAreUsageErrors) {
    struct Case {
        std::string args;
        std::string mentions;
    };
    const Case cases[] = {
        {"--upload", "no upload ID"},
        {"--upload --uid 0123abcd-ef01-2345-6789-abcdefabcdeg", "--uid"},
        {std::string("--upload --uid ") + kUid + " --upload-host http://example.org", "HOST"},
        {std::string("--upload --uid ") + kUid + " --no-store", "--no-store"},
        {std::string("--uid ") + kUid, "--upload"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = RunDecode(c.args + " broadcast.raw");
        EXPECT_EQ(r.exitCode, 2) << c.args;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // one line
    }
    StoreSettings(std::string("UID=") + kUpperUid + "\nUploadHost=bad host/\n");
    const ProcessResult r = RunDecode("--upload broadcast.raw");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("UploadHost"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace wavelore::test
