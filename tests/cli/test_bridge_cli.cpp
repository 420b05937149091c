// wavelore-decode on the bridge: selection, repeats, the index, the user's
// command and NMEA NRX sentences over TCP for a synthesized broadcast, also
// through a storm of connections.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/message_index.h"
#include "app/message_selection.h"
#include "common/utf.h"
#include "net/nrx_sentences.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "synth/synthesizer.h"
#include "synth/transmission.h"
#include "synth/wav_writer.h"

namespace wavelore::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Sentence by sentence: the code of each message and its text, escapes
// undone; every sentence checked for length and checksum.
std::map<std::string, std::string> Messages(const std::string& stream) {
    std::map<std::string, std::string> out;
    std::istringstream lines(stream);
    std::string code;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size() + 1, 82u) << line;
        EXPECT_EQ(line.back(), '\r');
        const size_t star = line.rfind('*');
        EXPECT_EQ(line.substr(star + 1, 2), NmeaChecksum(line.substr(1, star - 1))) << line;
        std::vector<std::string> fields;
        std::string field;
        std::istringstream parts(line.substr(0, star));
        while (std::getline(parts, field, ',')) {
            fields.push_back(field);
        }
        fields.resize(14);
        if (fields[2] == "001") {
            code = fields[4];
            // Frame time in UTC, the counts of a perfect reception, status A.
            EXPECT_EQ(fields[6] + fields[7] + fields[8] + fields[9],
                      "140322210720"
                      "07")
                << line;
            EXPECT_EQ(fields[11], "0");
            EXPECT_EQ(fields[12], "A");
        }
        std::string& text = out[code];
        for (size_t i = 0; i < fields[13].size(); ++i) {
            if (fields[13][i] == '^') {
                text += static_cast<char>(std::stoi(fields[13].substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                text += fields[13][i];
            }
        }
    }
    return out;
}

TEST(BridgeCli, SelectedNewMessagesReachTheCommandAndTheNmeaClients) {
    ScopedTempDir dir;
    auto broadcast = synth::MakeBroadcast(synth::SynthMode::SitorB,
                                          {{u"EA12", u"GALE $(TOUCH PWNED) & 'X' \\ #"},
                                           {u"EA12", u"GALE AGAIN"},
                                           {u"FB34", u"OTHER STATION"},
                                           {u"GD01", u"RESCUE"},
                                           {u"KA00", u"ALWAYS"}});
    ASSERT_TRUE(broadcast);
    const synth::Recording recording = synth::Synthesize(*broadcast, synth::SynthOptions{});

    const std::string command =
        "printf '%s %s %s\\n' \"$WAVELORE_ID\" \"$WAVELORE_REPEAT\" \"$WAVELORE_STATION\" "
        ">> calls.txt";
    CBackgroundProcess tool(
        "env WAVELORE_FIXED_TIME='2007-07-21 14:03:22' XDG_CONFIG_HOME=config "
        "TZ=UTC " +
            ShellQuote(DecodeTool()) + " --stations EGK --subjects E --nmea-tcp 0 --on-message " +
            ShellQuote(command) + " -",
        true);
    ASSERT_TRUE(tool.Started());
    const int port = AnnouncedNmeaPort("err.txt");
    ASSERT_NE(port, 0) << ReadFile("err.txt");
    const int reader = ConnectLoopback(port);
    const int stalled = ConnectLoopback(port, 2048);  // never read until the end
    ASSERT_GE(reader, 0);
    ASSERT_GE(stalled, 0);

    ASSERT_TRUE(tool.WriteInput(reinterpret_cast<const char*>(recording.samples.data()),
                                recording.samples.size() * 2));
    tool.CloseInput();
    const std::string stream = ReadToEnd(reader);
    const ProcessResult result = tool.Wait(60s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadToEnd(stalled), stream);
    close(reader);
    close(stalled);

    // Only the new selected messages, in order, with their text as sent:
    // not the repeat of EA12, not station F.
    EXPECT_EQ(stream.substr(0, 23), "$CRNRX,002,001,00,EA12,");
    EXPECT_NE(stream.find("$CRNRX,001,001,01,GD01,"), std::string::npos) << stream;
    EXPECT_NE(stream.find("$CRNRX,001,001,02,KA00,"), std::string::npos) << stream;
    const std::map<std::string, std::string> expected = {
        {"EA12", "GALE $(TOUCH PWNED) & 'X' \\ #\r\n"},
        {"GD01", "RESCUE\r\n"},
        {"KA00", "ALWAYS\r\n"}};
    EXPECT_EQ(Messages(stream), expected);

    // The command ran for every selected message, the repeat too, and
    // never ran the message text.
    std::istringstream calls(ReadFile("calls.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(calls, line);) {
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"EA12 0 E Niton", "EA12 1 E Niton",
                                               "GD01 0 G Cullercoats", "KA00 0 K Niton"}));
    EXPECT_FALSE(fs::exists("PWNED"));
    EXPECT_FALSE(fs::exists("pwned"));

    // The index, closed cleanly (no WAL left), holds every message.
    EXPECT_TRUE(fs::exists("logs/messages.db"));
    EXPECT_FALSE(fs::exists("logs/messages.db-wal"));
    CMessageSelection all;
    CMessageIndex index(".", all, nullptr);
    ASSERT_TRUE(index.Open());
    std::vector<std::string> rows;
    for (const IndexedMessage& row : index.RowsOfDay(u"2007-07-21")) {
        rows.push_back(row.path.filename().string() + (row.repeat ? " repeat" : "") +
                       (row.selected ? " selected" : "") + (row.counted ? "" : " uncounted"));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"2007-07-21 14.03.22 EA12 (2).txt repeat selected",
                                              "2007-07-21 14.03.22 EA12.txt selected",
                                              "2007-07-21 14.03.22 FB34.txt",
                                              "2007-07-21 14.03.22 GD01.txt selected",
                                              "2007-07-21 14.03.22 KA00.txt selected"}));
}

// Processor time of a process so far, in clock ticks.
long ProcessorTicks(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14) {
            ticks += std::stol(field);  // user, then system time
        }
    }
    return ticks;
}

// Any host on the network could do this to a receiver that serves NMEA on
// every address; here on the one address it was told, with only 40
// descriptors: a thousand connections closed as soon as made, then more
// that stay than it serves. Every message is still stored, the clients it
// serves get every sentence, the others are refused at once, and the
// server sits idle meanwhile.
TEST(BridgeCli, AConnectionStormUnderALowDescriptorLimitLosesNoMessageAndLeavesTheServerIdle) {
    ScopedTempDir dir;
    std::vector<synth::NavtexMessage> messages;
    for (const char16_t* id : {u"EA01", u"EA02", u"EB03", u"GD04", u"KA05", u"EE06"}) {
        messages.push_back({id, std::u16string(u"WARNING ") + id});
    }
    auto broadcast = synth::MakeBroadcast(synth::SynthMode::SitorB, messages);
    ASSERT_TRUE(broadcast);
    const synth::Recording recording = synth::Synthesize(*broadcast, synth::SynthOptions{});

    CBackgroundProcess tool("sh -c " + ShellQuote("ulimit -n 40 && echo $$ >tool.pid && exec env "
                                                  "WAVELORE_FIXED_TIME='2007-07-21 14:03:22' "
                                                  "XDG_CONFIG_HOME=config TZ=UTC " +
                                                  ShellQuote(DecodeTool()) +
                                                  " --nmea-tcp 0 --nmea-bind 127.0.0.1 "
                                                  "--nmea-clients 4 -"),
                            true);
    ASSERT_TRUE(tool.Started());
    const int port = AnnouncedNmeaPort("err.txt");
    ASSERT_NE(port, 0) << ReadFile("err.txt");
    EXPECT_NE(ReadFile("err.txt").find("TCP port " + std::to_string(port) + " at 127.0.0.1\n"),
              std::string::npos);
    const std::string pid = ReadFile("tool.pid").substr(0, ReadFile("tool.pid").find('\n'));

    for (int i = 0; i < 1028; ++i) {
        const int fd = ConnectLoopbackWithin(port, 3s);
        ASSERT_GE(fd, 0) << "connection " << i << " not taken";
        close(fd);
    }
    std::vector<int> stay;
    for (int i = 0; i < 8; ++i) {
        stay.push_back(ConnectLoopbackWithin(port, 3s));
        ASSERT_GE(stay.back(), 0);
        std::this_thread::sleep_for(20ms);  // taken up in this order
    }
    const long before = ProcessorTicks(pid);
    std::this_thread::sleep_for(1s);
    EXPECT_LT(ProcessorTicks(pid) - before, 20) << "of " << sysconf(_SC_CLK_TCK) << " a second";

    ASSERT_TRUE(tool.WriteInput(reinterpret_cast<const char*>(recording.samples.data()),
                                recording.samples.size() * 2));
    tool.CloseInput();
    std::vector<std::string> streams;
    for (const int fd : stay) {
        streams.push_back(ReadToEnd(fd));
        close(fd);
    }
    const ProcessResult result = tool.Wait(60s);
    EXPECT_EQ(result.exitCode, 0) << result.err;

    size_t stored = 0;
    for (const auto& entry : fs::directory_iterator("logs/2007-07-21")) {
        stored += entry.path().extension() == ".txt" ? 1 : 0;
    }
    EXPECT_EQ(stored, messages.size()) << result.err;
    for (size_t i = 0; i < streams.size(); ++i) {
        if (i < 4) {
            EXPECT_EQ(Messages(streams[i]).size(), messages.size()) << "client " << i;
        } else {
            EXPECT_EQ(streams[i], "") << "client " << i;
        }
    }
}

// Whether a process has ended: gone, or a zombie nobody collects.
bool Ended(pid_t pid) {
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t paren = stat.rfind(')');
    return stat.empty() || (paren != std::string::npos && stat.substr(paren + 2, 1) == "Z");
}

TEST(BridgeCli, HangingCommandsAreEndedWithWhatTheyStartedAndEveryMessageGetsItsRun) {
    ScopedTempDir dir;
    std::vector<synth::NavtexMessage> messages;
    for (const char16_t* id : {u"EA01", u"EA02", u"EA03", u"EA04", u"EA05", u"EA06"}) {
        messages.push_back({id, u"GALE"});
    }
    auto broadcast = synth::MakeBroadcast(synth::SynthMode::SitorB, messages);
    ASSERT_TRUE(broadcast);
    const synth::Recording recording = synth::Synthesize(*broadcast, synth::SynthOptions{});
    ASSERT_TRUE(synth::WriteWav("navtex.wav", recording.samples, 11025));

    // Deaf to SIGTERM, and with a child of its own that would outlive it.
    const std::string command =
        "trap '' TERM; echo \"$WAVELORE_ID\" >> ids; sleep 300 & echo $! >> pids; wait";
    const auto start = std::chrono::steady_clock::now();
    ProcessOptions options;
    options.environment = {{"WAVELORE_FIXED_TIME", "2007-07-21 14:03:22"},
                           {"XDG_CONFIG_HOME", "config"}};
    const ProcessResult r =
        RunProcess(ShellQuote(DecodeTool()) + " --on-message " + ShellQuote(command) +
                       " --on-message-timeout 1 navtex.wav",
                   options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Four at once, each ended a second late plus the grace time, then the
    // two that waited: well within the wait at the end.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 25s);

    std::istringstream ids(ReadFile("ids"));
    std::vector<std::string> ran;
    for (std::string id; std::getline(ids, id);) {
        ran.push_back(id);
    }
    std::sort(ran.begin(), ran.end());
    EXPECT_EQ(ran, (std::vector<std::string>{"EA01", "EA02", "EA03", "EA04", "EA05", "EA06"}));
    std::istringstream pids(ReadFile("pids"));
    int children = 0;
    for (pid_t pid; pids >> pid; ++children) {
        EXPECT_TRUE(Eventually([pid] { return Ended(pid); }, 5s)) << pid;
    }
    EXPECT_EQ(children, 6);
    std::istringstream lines(r.err);
    std::vector<std::string> errors;
    for (std::string line; std::getline(lines, line);) {
        errors.push_back(line);
    }
    ASSERT_EQ(errors.size(), 7u) << r.err;
    EXPECT_EQ(errors[0],
              "wavelore-decode: The command for message EA01 took longer than 1 s and "
              "was ended.");
    EXPECT_EQ(errors[6],
              "wavelore-decode: --on-message: 6 run (0 failed, 6 timed out), 0 dropped with the "
              "queue full, 0 not started, 0 still running");
}

}  // namespace
}  // namespace wavelore::test
