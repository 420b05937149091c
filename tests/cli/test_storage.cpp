// wavelore-decode storing what it decodes: the files it leaves, byte for
// byte, for synthesized broadcasts.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/utf.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "synth/synthesizer.h"
#include "synth/transmission.h"
#include "synth/wav_writer.h"

namespace wavelore::test {
namespace {

namespace fs = std::filesystem;

constexpr char kFixedTime[] = "2007-07-21 14:03:22";
constexpr char kDayDir[] = "logs/2007-07-21/";
constexpr char kRawLog[] = "logs/2007-07-21/raw/2007-07-21 14.03.22-raw.txt";
constexpr char kStamp[] = "2007/07/21\t14:03:22\t";
// The message index, beside the stored files.
constexpr char kIndex[] = "logs/messages.db";

// Runs the tool in the current directory with the clock fixed (unless
// fixedTime is null) and standard input empty.
ProcessResult RunDecode(const std::string& args, const char* fixedTime = kFixedTime) {
    ProcessOptions options;
    if (fixedTime != nullptr) {
        options.environment.emplace_back("WAVELORE_FIXED_TIME", fixedTime);
    }
    return RunProcess(ShellQuote(DecodeTool()) + " " + args, options);
}

// Every regular file below dir, relative and sorted.
std::vector<std::string> FilesBelow(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (e.is_regular_file()) {
            out.push_back(fs::relative(e.path(), dir).generic_string());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The raw log the rules give for decoded text: one stamped line per line
// feed, carriage returns kept, and the unfinished rest as a last line.
std::string RawLogOf(const std::string& decoded) {
    std::string log;
    size_t at = 0;
    while (at < decoded.size()) {
        size_t lf = decoded.find('\n', at);
        if (lf == std::string::npos) {
            lf = decoded.size();
        }
        log += kStamp + decoded.substr(at, lf - at) + "\n";
        at = lf + 1;
    }
    return log;
}

void WriteRecording(const synth::CTransmission& transmission, const fs::path& path) {
    const synth::Recording recording = synth::Synthesize(transmission, synth::SynthOptions{});
    ASSERT_TRUE(synth::WriteWav(path, recording.samples, 11025));
}

synth::CTransmission NavtexBroadcast() {
    auto broadcast = synth::MakeBroadcast(
        synth::SynthMode::SitorB,
        {{u"EA12", u"TEST\nLINE 2"}, {u"FB34", u"SECOND MESSAGE"}, {u"GD01", u"RESCUE"}});
    return *broadcast;
}

TEST(StorageCli, NavtexBroadcastLeavesExactlyTheMessageFilesAndTheRawLog) {
    ScopedTempDir dir;
    const synth::CTransmission broadcast = NavtexBroadcast();
    WriteRecording(broadcast, "navtex.wav");
    const ProcessResult r = RunDecode("--dir store navtex.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Storage adds nothing to standard output or standard error.
    EXPECT_EQ(r.out, ToUtf8(broadcast.ExpectedText()));
    EXPECT_EQ(r.err, "");

    const std::string header = "14:03:22 2007-07-21\r\n\r\nZCZC ";
    const std::string day = std::string("store/") + kDayDir + "2007-07-21 14.03.22 ";
    EXPECT_EQ(
        FilesBelow("."),
        (std::vector<std::string>{
            "err.txt", "navtex.wav", "out.txt", day + "EA12.txt", day + "FB34.txt",
            day + "GD01.txt", std::string("store/") + kRawLog, std::string("store/") + kIndex}));
    EXPECT_EQ(ReadFile(day + "EA12.txt"), header + "EA12\r\n\nTEST\r\nLINE 2\r\nNNNN");
    EXPECT_EQ(ReadFile(day + "FB34.txt"), header + "FB34\r\n\nSECOND MESSAGE\r\nNNNN");
    EXPECT_EQ(ReadFile(day + "GD01.txt"), header + "GD01\r\n\nRESCUE\r\nNNNN");
    EXPECT_EQ(ReadFile(std::string("store/") + kRawLog), RawLogOf(r.out));
}

TEST(StorageCli, NavtexJMessagesAreStoredAsUtf8UnderTheirThreeDigitNumbers) {
    ScopedTempDir dir;
    auto broadcast =
        synth::MakeBroadcast(synth::SynthMode::NavtexJ, {{u"EA123", u"気象警報\nＡＢＣ 123"}});
    ASSERT_TRUE(broadcast);
    WriteRecording(*broadcast, "j.wav");
    const ProcessResult r = RunDecode("--mode NAVTEX-J j.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.out, ToUtf8(broadcast->ExpectedText()));
    const std::string name = std::string(kDayDir) + "2007-07-21 14.03.22 EA123.txt";
    EXPECT_EQ(FilesBelow("."),
              (std::vector<std::string>{"err.txt", "j.wav", name, kRawLog, kIndex, "out.txt"}));
    // The fullwidth header is narrowed in the header line and the name;
    // the body keeps the decoder's line ends and fullwidth end marker.
    EXPECT_EQ(ReadFile(name), "14:03:22 2007-07-21\r\n\r\nZCZC EA123\r\n\n" +
                                  ToUtf8(u"気象警報\nＡＢＣ\u3000１２３\nＮＮＮＮ"));
    EXPECT_EQ(ReadFile(kRawLog), RawLogOf(r.out));
}

TEST(StorageCli, SitorNeverStoresAFrameAndKeepsTheLastInTheWorkingFile) {
    ScopedTempDir dir;
    WriteRecording(NavtexBroadcast(), "navtex.wav");
    const ProcessResult r = RunDecode("--mode SITOR navtex.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(FilesBelow("."), (std::vector<std::string>{"err.txt", "incoming.txt", kRawLog, kIndex,
                                                         "navtex.wav", "out.txt"}));
    // Without the NAVTEX realignment the header is taken on the first body
    // character, and SITOR has no serial number to show.
    EXPECT_EQ(ReadFile("incoming.txt"), "14:03:22 2007-07-21\r\n\r\nZCZC GD\r\nRESCUE\r\nNNNN\r\n");
    EXPECT_EQ(ReadFile(kRawLog), RawLogOf(r.out));
}

TEST(StorageCli, AFrameCutOffByTheEndOfInputStaysUnfinished) {
    ScopedTempDir dir;
    synth::CTransmission cut(synth::SynthMode::SitorB);
    cut.AddPhasing(2.0);
    ASSERT_TRUE(cut.AddText(u"ZCZC EA12\nSTORM WARNING\nGALE 8 EXP"));
    WriteRecording(cut, "cut.wav");
    const ProcessResult r = RunDecode("cut.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.out.substr(0, 28), "ZCZC EA12\r\nSTORM WARNING\r\nGA");
    EXPECT_EQ(FilesBelow("."), (std::vector<std::string>{"cut.wav", "err.txt", "incoming.txt",
                                                         kRawLog, kIndex, "out.txt"}));
    EXPECT_EQ(ReadFile("incoming.txt"),
              "14:03:22 2007-07-21\r\n\r\nZCZC EA12\r\n\n" + r.out.substr(11));
    // The unfinished last line is in the raw log too.
    EXPECT_EQ(ReadFile(kRawLog), RawLogOf(r.out));
}

TEST(StorageCli, CtrlCLeavesTheFrameUnfinishedAndCompletesTheRawLog) {
    ScopedTempDir dir;
    std::u16string body;
    for (int i = 0; i < 40; ++i) {
        body += u"LONG WARNING LINE " + FromUtf8(std::to_string(i)) + u"\n";
    }
    auto broadcast = synth::MakeBroadcast(synth::SynthMode::SitorB, {{u"EA12", body}});
    ASSERT_TRUE(broadcast);
    const synth::Recording recording = synth::Synthesize(*broadcast, synth::SynthOptions{});

    CBackgroundProcess tool("env WAVELORE_FIXED_TIME='" + std::string(kFixedTime) + "' " +
                                ShellQuote(DecodeTool()) + " -",
                            true);
    ASSERT_TRUE(tool.Started());
    // Feed the audio a block at a time; interrupt once the frame has begun,
    // then keep feeding: the rest of the message must not be decoded.
    const auto* bytes = reinterpret_cast<const char*>(recording.samples.data());
    const size_t total = recording.samples.size() * 2;
    bool interrupted = false;
    for (size_t at = 0; at < total; at += 4096) {
        if (!tool.WriteInput(bytes + at, std::min<size_t>(4096, total - at))) {
            break;
        }
        if (!interrupted && fs::exists("incoming.txt") &&
            ReadFile("out.txt").find("LINE 3") != std::string::npos) {
            tool.Signal(SIGINT);
            interrupted = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(interrupted ? 0 : 5));
    }
    tool.CloseInput();
    const ProcessResult result = tool.Wait(std::chrono::seconds(60));
    ASSERT_TRUE(interrupted);
    EXPECT_EQ(result.exitCode, 0) << result.err;

    const std::string out = ReadFile("out.txt");
    EXPECT_EQ(out.find("NNNN"), std::string::npos);
    EXPECT_FALSE(fs::exists(kDayDir + std::string("2007-07-21 14.03.22 EA12.txt")));
    EXPECT_EQ(ReadFile("incoming.txt"), "14:03:22 2007-07-21\r\n\r\nZCZC EA12\r\n\n" +
                                            out.substr(std::string("ZCZC EA12\r\n").size()));
    EXPECT_EQ(ReadFile(kRawLog), RawLogOf(out));
}

TEST(StorageCli, AReaderOfStandardOutputThatGoesAwayStopsNeitherDecodingNorStorage) {
    ScopedTempDir dir;
    std::vector<synth::NavtexMessage> messages;
    for (const char16_t* id : {u"EA12", u"FB34", u"GD01", u"HE05"}) {
        messages.push_back({id, u"A WARNING LONG ENOUGH TO OUTLAST THE READER\nSECOND LINE"});
    }
    auto broadcast = synth::MakeBroadcast(synth::SynthMode::SitorB, messages);
    ASSERT_TRUE(broadcast);
    WriteRecording(*broadcast, "navtex.wav");
    // The reader stops after 100 bytes, in the middle of the first message;
    // the tool's status is kept by the shell, and SIGPIPE has its default
    // action, as in a terminal.
    std::signal(SIGPIPE, SIG_DFL);
    const ProcessResult r =
        RunProcess("{ { WAVELORE_FIXED_TIME='" + std::string(kFixedTime) + "' " +
                   ShellQuote(DecodeTool()) + " navtex.wav; echo $? >status; } | head -c 100; }");
    EXPECT_EQ(r.out, ToUtf8(broadcast->ExpectedText()).substr(0, 100));
    EXPECT_EQ(ReadFile("status"), "1\n");
    // Said once, on one line.
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("standard output"), std::string::npos) << r.err;
    // Every message stored to the end, none left in the working file.
    const std::string day = std::string(kDayDir) + "2007-07-21 14.03.22 ";
    for (const char* id : {"EA12", "FB34", "GD01", "HE05"}) {
        EXPECT_EQ(ReadFile(day + id + ".txt"),
                  "14:03:22 2007-07-21\r\n\r\nZCZC " + std::string(id) +
                      "\r\n\nA WARNING LONG ENOUGH TO OUTLAST THE READER\r\nSECOND LINE\r\nNNNN")
            << id;
    }
    EXPECT_FALSE(fs::exists("incoming.txt"));
}

// A shell that runs a script in a mount namespace of its own, where it may
// mount a small file system; empty where this machine allows none.
std::string PrivateMountShell() {
    fs::create_directory("probe");
    for (const std::string unshare : {"unshare -m", "unshare -rm"}) {
        if (RunProcess(unshare + " sh -c 'mount -t tmpfs -o size=64k tmpfs probe'").exitCode == 0) {
            return unshare + " sh";
        }
    }
    return {};
}

TEST(StorageCli, AFullDiskStoresNothingEmptyAndWritesTheMessagesItHeldOnceThereIsRoom) {
    ScopedTempDir dir;
    const std::string shell = PrivateMountShell();
    if (shell.empty()) {
        GTEST_SKIP() << "no small file system can be mounted here";
    }
    // The disk is full for the first broadcast and has room for the second,
    // which repeats a warning of the first with a correction.
    auto first = synth::MakeBroadcast(synth::SynthMode::SitorB,
                                      {{u"EA12", u"GALE WARNING\nLINE 2"}, {u"FB34", u"SECOND"}});
    auto second =
        synth::MakeBroadcast(synth::SynthMode::SitorB,
                             {{u"EA12", u"GALE WARNING\nLINE 2 AMENDED"}, {u"GD01", u"RESCUE"}});
    ASSERT_TRUE(first && second);
    const std::vector<int16_t> firstAudio = synth::Synthesize(*first, {}).samples;
    const std::vector<int16_t> secondAudio = synth::Synthesize(*second, {}).samples;
    fs::create_directories("store");
    fs::create_directories("result");
    WriteFile("run.sh",
              "mount -t tmpfs -o size=512k tmpfs store || exit 99\n"
              "dd if=/dev/zero of=store/filler bs=4k 2>/dev/null\n"
              "exec 3<&0\n"
              "WAVELORE_FIXED_TIME='" +
                  std::string(kFixedTime) + "' XDG_CONFIG_HOME=config " + ShellQuote(DecodeTool()) +
                  " --verbose --dir store - <&3 >decoded.txt 2>errors.txt &\n"
                  "while [ ! -e free-now ]; do sleep 0.05; done\n"
                  "rm store/filler && touch freed\n"
                  "wait $!; echo $? >status\n"
                  "cp -R store/. result/\n");
    CBackgroundProcess tool(shell + " run.sh", true);
    ASSERT_TRUE(tool.Started());
    const std::string firstBytes = RawBytes(firstAudio);
    ASSERT_TRUE(tool.WriteInput(firstBytes.data(), firstBytes.size()));
    ASSERT_TRUE(Eventually(
        [] { return ReadFile("decoded.txt").find("SECOND\r\nNNNN") != std::string::npos; },
        std::chrono::seconds(60)));
    WriteFile("free-now", "");
    ASSERT_TRUE(Eventually([] { return fs::exists("freed"); }));
    const std::string secondBytes = RawBytes(secondAudio);
    ASSERT_TRUE(tool.WriteInput(secondBytes.data(), secondBytes.size()));
    tool.CloseInput();
    tool.Wait(std::chrono::seconds(60));
    ASSERT_EQ(ReadFile("status"), "0\n") << ReadFile("errors.txt");

    // Every message whole, none empty; nothing left beside the working file.
    const std::string header = "14:03:22 2007-07-21\r\n\r\nZCZC ";
    const std::string day = std::string(kDayDir) + "2007-07-21 14.03.22 ";
    EXPECT_EQ(FilesBelow("result"),
              (std::vector<std::string>{day + "EA12 (2).txt", day + "EA12.txt", day + "FB34.txt",
                                        day + "GD01.txt", kRawLog, kIndex}));
    EXPECT_EQ(ReadFile("result/" + day + "EA12.txt"),
              header + "EA12\r\n\nGALE WARNING\r\nLINE 2\r\nNNNN");
    EXPECT_EQ(ReadFile("result/" + day + "FB34.txt"), header + "FB34\r\n\nSECOND\r\nNNNN");
    EXPECT_EQ(ReadFile("result/" + day + "EA12 (2).txt"),
              header + "EA12\r\n\nGALE WARNING\r\nLINE 2 AMENDED\r\nNNNN");
    EXPECT_EQ(ReadFile("result/" + day + "GD01.txt"), header + "GD01\r\n\nRESCUE\r\nNNNN");
    // The raw log lost no line either.
    EXPECT_EQ(ReadFile(std::string("result/") + kRawLog), RawLogOf(ReadFile("decoded.txt")));

    // Said once each way; the held messages are judged as they are written,
    // with their own quality, and the repeat is one of a complete message.
    const std::string errors = ReadFile("errors.txt");
    const auto count = [&errors](const std::string& text) {
        size_t n = 0;
        for (size_t at = errors.find(text); at != std::string::npos;
             at = errors.find(text, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("is kept in memory"), 1u) << errors;
    EXPECT_EQ(count("The 2 messages kept in memory are stored now."), 1u) << errors;
    EXPECT_EQ(count("EA12 from E Niton (Nav warning), quality 100%, new"), 1u) << errors;
    EXPECT_EQ(count("FB34 from F"), 1u) << errors;
    EXPECT_EQ(count("EA12 from E Niton (Nav warning), quality 100%, repeat"), 1u) << errors;
    EXPECT_EQ(count("GD01 from G Cullercoats (Search & Rescue), quality 100%, new"), 1u) << errors;
}

TEST(StorageCli, NoStoreWritesNothing) {
    ScopedTempDir dir;
    WriteRecording(NavtexBroadcast(), "navtex.wav");
    const ProcessResult r = RunDecode("--no-store navtex.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("ZCZC GD01"), std::string::npos);
    EXPECT_EQ(FilesBelow("."), (std::vector<std::string>{"err.txt", "navtex.wav", "out.txt"}));
}

TEST(StorageCli, AnUnusableDirectoryOrClockIsAClearErrorBeforeDecoding) {
    ScopedTempDir dir;
    WriteRecording(NavtexBroadcast(), "navtex.wav");
    WriteFile("plain-file", "x");
    ProcessResult r = RunDecode("--dir plain-file navtex.wav");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("plain-file/logs"), std::string::npos) << r.err;

    r = RunDecode("navtex.wav", "21.07.2007");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("WAVELORE_FIXED_TIME"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("logs"));
}

TEST(StorageCli, MessagesStoredWhileTheLogDirectoryIsBlockedAreKeptBesideIt) {
    ScopedTempDir dir;
    WriteRecording(NavtexBroadcast(), "navtex.wav");
    // The day directory cannot be made: a file stands where it belongs.
    fs::create_directory("logs");
    WriteFile("logs/2007-07-21", "in the way");
    const ProcessResult r = RunDecode("navtex.wav");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(FilesBelow("."), (std::vector<std::string>{
                                   "2007-07-21 14.03.22 EA12.txt", "2007-07-21 14.03.22 FB34.txt",
                                   "2007-07-21 14.03.22 GD01.txt", "err.txt", "logs/2007-07-21",
                                   kIndex, "navtex.wav", "out.txt"}));
    EXPECT_EQ(ReadFile("2007-07-21 14.03.22 FB34.txt"),
              "14:03:22 2007-07-21\r\n\r\nZCZC FB34\r\n\nSECOND MESSAGE\r\nNNNN");
    // One line for the raw log, one per message kept elsewhere.
    std::istringstream lines(r.err);
    std::vector<std::string> errors;
    for (std::string line; std::getline(lines, line);) {
        errors.push_back(line);
    }
    ASSERT_EQ(errors.size(), 4u) << r.err;
    EXPECT_NE(errors[0].find("raw log"), std::string::npos);
    EXPECT_NE(errors[2].find("FB34"), std::string::npos);
}

TEST(StorageCli, WithoutAFixedTimeNamesCarryTheLocalTime) {
    ScopedTempDir dir;
    WriteRecording(NavtexBroadcast(), "navtex.wav");
    const ProcessResult r = RunDecode("navtex.wav", nullptr);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int messages = 0;
    int raws = 0;
    for (const std::string& f : FilesBelow("logs")) {
        if (f == "messages.db") {
            continue;
        }
        // YYYY-MM-DD/YYYY-MM-DD HH.MM.SS B1B2NN.txt: the 28-character names
        // the explorer lists; raw logs in YYYY-MM-DD/raw/.
        const std::string name = fs::path(f).filename().string();
        if (f.find("/raw/") != std::string::npos) {
            EXPECT_EQ(name.size(), 27u) << name;
            EXPECT_EQ(name.substr(19), "-raw.txt");
            ++raws;
        } else {
            EXPECT_EQ(name.size(), 28u) << name;
            EXPECT_EQ(f.substr(0, 10), name.substr(0, 10));
            EXPECT_EQ(name[13], '.');
            ++messages;
        }
    }
    EXPECT_EQ(messages, 3);
    EXPECT_GE(raws, 1);  // two if the run crossed midnight
}

}  // namespace
}  // namespace wavelore::test
