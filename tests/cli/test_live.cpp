// wavelore-decode's live receiver: the real decoder thread fed by a
// recording played as a device, or by an ALSA device that captures a file.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "support/alsa_devices.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "synth/synthesizer.h"
#include "synth/wav_writer.h"

namespace wavelore::test {
namespace {

using namespace std::chrono_literals;

// The command line that runs the tool with args (shell words).
std::string Tool(const std::string& args) {
    return ShellQuote(DecodeTool()) + " " + args;
}

ProcessResult RunTool(const std::string& args, std::chrono::seconds timeout = 60s) {
    CBackgroundProcess tool(Tool(args));
    EXPECT_TRUE(tool.Started());
    return tool.Wait(timeout);
}

// Polls out.txt until it holds needle.
bool OutputShows(const std::string& needle, std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists("out.txt") &&
            ReadFile("out.txt").find(needle) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

synth::Recording Broadcast(double seconds_of_tail = 1.0) {
    synth::SynthOptions options;
    options.snrDb = 15.0;
    options.tailSeconds = seconds_of_tail;
    options.seed = 3;
    auto r = synth::SynthesizeBroadcast(synth::SynthMode::SitorB,
                                        {{u"GA23", u"LIVE RECEIVER TEST\nPOSITION 5210N 00412E"}},
                                        options);
    return r.value_or(synth::Recording{});
}

// An ALSA configuration whose only capture device reads raw samples from a
// file, padded with silence: ALSA repeats stale data past the file's end.
void WriteAlsaFileDevice(const synth::Recording& audio) {
    std::vector<int16_t> padded = audio.samples;
    padded.resize(padded.size() + 8 * 2048, 0);
    UseAlsaFileDevice(std::filesystem::current_path(), padded);
    ToleratePluginLeaks();
}

// With either chain. The enhanced one holds its last characters back for
// its lookahead and gives them out when a recording ends, before the
// receiver reports the end: a recording cut off in mid-message prints as
// much live as decoded as a file.
TEST(LiveCli, PlayingARecordingFastPrintsWhatFileDecodingPrints) {
    ScopedTempDir dir;
    const auto audio = Broadcast();
    ASSERT_FALSE(audio.samples.empty());
    ASSERT_TRUE(synth::WriteWav("broadcast.wav", audio.samples, 11025));
    std::vector<int16_t> cut = audio.samples;
    cut.resize(cut.size() - 2 * 11025 - 11025 / 2);
    ASSERT_TRUE(synth::WriteWav("cut.wav", cut, 11025));
    for (const std::string chain : {"", "--enhanced "}) {
        SCOPED_TRACE(chain);
        const std::string fileDir = chain.empty() ? "file" : "file-enhanced";
        const std::string liveDir = chain.empty() ? "live" : "live-enhanced";
        const ProcessResult file = RunTool(chain + "broadcast.wav --dir " + fileDir);
        ASSERT_EQ(file.exitCode, 0) << file.err;
        const ProcessResult live =
            RunTool(chain + "--play broadcast.wav --fast --verbose --dir " + liveDir);
        ASSERT_EQ(live.exitCode, 0) << live.err;
        EXPECT_EQ(live.out, file.out);
        EXPECT_NE(live.out.find("ZCZC GA23\r\nLIVE RECEIVER TEST"), std::string::npos) << live.out;
        // --verbose adds the processor load and the samples lost (none, when
        // the receiver sets the pace), on standard error only.
        EXPECT_NE(live.err.find("CPU load: "), std::string::npos) << live.err;
        EXPECT_NE(live.err.find("Samples lost: 0 (0.0 s)\n"), std::string::npos) << live.err;
        // The message is stored as file decoding stores it.
        for (const std::string& d : {fileDir, liveDir}) {
            int stored = 0;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(d + "/logs")) {
                const std::string name = entry.path().filename().string();
                stored += name.size() > 8 && name.substr(name.size() - 8) == "GA23.txt";
            }
            EXPECT_EQ(stored, 1) << d;
        }

        const ProcessResult cutFile = RunTool(chain + "cut.wav --no-store");
        const ProcessResult cutLive = RunTool(chain + "--play cut.wav --fast --no-store");
        ASSERT_EQ(cutLive.exitCode, 0) << cutLive.err;
        EXPECT_EQ(cutLive.out, cutFile.out);
        EXPECT_NE(cutFile.out.find("POSITION 52"), std::string::npos) << cutFile.out;
    }
}

TEST(LiveCli, CtrlCStopsARealTimePlayCleanly) {
    ScopedTempDir dir;
    const auto audio = Broadcast(30.0);  // long enough never to end by itself
    ASSERT_TRUE(synth::WriteWav("long.wav", audio.samples, 11025));
    CBackgroundProcess tool(Tool("--play long.wav"));
    ASSERT_TRUE(tool.Started());
    // Real time: the header is out after about four seconds of audio.
    ASSERT_TRUE(OutputShows("ZCZC GA23", 30s)) << ReadFile("err.txt");
    tool.Signal(SIGINT);
    const ProcessResult r = tool.Wait(10s);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // What was received is kept: the interrupted frame stays in incoming.txt.
    EXPECT_NE(ReadFile("incoming.txt").find("ZCZC GA23"), std::string::npos);
}

TEST(LiveCli, ListsAndCapturesFromAnAlsaFileDeviceByNameAndNumber) {
    ScopedTempDir dir;
    const auto audio = Broadcast();
    WriteAlsaFileDevice(audio);
    const ProcessResult list = RunTool("--list-devices");
    ASSERT_EQ(list.exitCode, 0) << list.err << list.out;
    // Each device with its own rate and channels.
    ASSERT_NE(list.out.find(": navfile (11025 Hz, 1 channel)\n"), std::string::npos) << list.out;
    // Its number starts its own line, whatever devices the system lists first.
    const size_t at = list.out.find(": navfile");
    const size_t lineStart = list.out.rfind('\n', at);
    const size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
    const std::string number = list.out.substr(from, at - from);

    for (const std::string& device : {std::string("navfile"), number}) {
        SCOPED_TRACE(device);
        // The device never ends (it repeats its last data): stop it by signal.
        // --verbose: should the text not come, the samples lost say why.
        CBackgroundProcess tool(Tool("--verbose --device " + device));
        ASSERT_TRUE(tool.Started());
        ASSERT_TRUE(OutputShows("NNNN", 60s)) << ReadFile("err.txt");
        tool.Signal(SIGTERM);
        const ProcessResult r = tool.Wait(30s);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("ZCZC GA23\r\nLIVE RECEIVER TEST\r\nPOSITION 5210N 00412E\r\nNNNN"),
                  std::string::npos)
            << r.out;
    }
}

TEST(LiveCli, BadLiveRequestsSayWhatIsWrong) {
    ScopedTempDir dir;
    WriteAlsaFileDevice(Broadcast());
    struct Case {
        std::string args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"--fast", 2, "--fast"},
        {"--device 0 --play x.wav", 2, "--play"},
        {"--device 0 some.wav", 2, "FILE"},
        {"--play missing.wav", 1, "missing.wav"},
        {"--device 7", 1, "no sound device 7"},
        {"--device nosuchcard", 1, "nosuchcard"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ProcessResult r = RunTool(c.args, 20s);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(LiveCli, WithoutDevicesListingAndCaptureFail) {
    ScopedTempDir dir;
    UseAlsaWithoutDevices(dir.Path());
    ToleratePluginLeaks();
    const ProcessResult list = RunTool("--list-devices", 20s);
    if (list.exitCode == 0) {
        GTEST_SKIP() << "this machine has sound devices of its own";
    }
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_NE(list.err.find("No sound devices found"), std::string::npos) << list.err;
    const ProcessResult capture = RunTool("--device 0", 20s);
    EXPECT_EQ(capture.exitCode, 1);
    EXPECT_NE(capture.err.find("No sound devices found"), std::string::npos) << capture.err;
    EXPECT_NE(capture.err.find("ERROR: No sound device detected"), std::string::npos)
        << capture.err;
    EXPECT_NE(capture.err.find("Could not start decoder for this sound device."), std::string::npos)
        << capture.err;
}

}  // namespace
}  // namespace wavelore::test
