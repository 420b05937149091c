#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace wavelore::test {

struct ProcessResult {
    int exitCode = -1;  // -1: did not exit normally (or was killed)
    std::string out;
    std::string err;
};

struct ProcessOptions {
    // NAME=value pairs set for the command only.
    std::vector<std::pair<std::string, std::string>> environment;
    // Written to the command's standard input in pieces of the sizes in
    // chunks, in turn, each flushed on its own; null: standard input empty.
    const std::string* input = nullptr;
    std::vector<std::size_t> chunks = {65536};
    // Where standard output and error go; read back when regular files.
    std::string outPath = "out.txt";
    std::string errPath = "err.txt";
};

// The built programs.
std::filesystem::path DecodeTool();
std::filesystem::path SynthTool();
std::filesystem::path ReceiverProgram();  // the window, wavelore

// text as one shell word.
std::string ShellQuote(const std::string& text);

// Runs command (a shell command line, e.g. ShellQuote(DecodeTool()) + args)
// in the current directory and waits for it.
ProcessResult RunProcess(const std::string& command, const ProcessOptions& options = {});

// A command running in the background in the current directory, standard
// input empty, its output going to out.txt and err.txt there. Killed if
// still running when destroyed.
class CBackgroundProcess {
  public:
    explicit CBackgroundProcess(const std::string& command);
    // With pipedInput, standard input is a pipe the test writes into
    // (Input()) until CloseInput().
    CBackgroundProcess(const std::string& command, bool pipedInput);
    ~CBackgroundProcess();
    CBackgroundProcess(const CBackgroundProcess&) = delete;
    CBackgroundProcess& operator=(const CBackgroundProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    void Signal(int sig);
    int Input() const { return m_input; }
    // Writes all of data to standard input; false when the pipe broke.
    bool WriteInput(const char* data, size_t size);
    void CloseInput();

    // Waits for the exit; the result's exitCode stays -1 after the timeout.
    ProcessResult Wait(std::chrono::seconds timeout);

  private:
    pid_t m_pid = -1;
    int m_input = -1;
};

// A TCP connection to port on 127.0.0.1, with a receive buffer of that
// size unless 0; -1 when it cannot be made.
int ConnectLoopback(int port, int receiveBuffer = 0);
// The same, given up (-1) when not made within wait: a server that stopped
// taking connections leaves them unanswered.
int ConnectLoopbackWithin(int port, std::chrono::milliseconds wait);
// The port wavelore-decode says it serves NMEA on, in the standard error
// of a CBackgroundProcess (err.txt); 0 when it does not say so in time.
int AnnouncedPort();
// Everything received until the other side closes.
std::string ReadToEnd(int fd);

// A TCP server socket on 127.0.0.1 at a free port, which port gives.
class CLoopbackListener {
  public:
    CLoopbackListener();
    ~CLoopbackListener();
    CLoopbackListener(const CLoopbackListener&) = delete;
    CLoopbackListener& operator=(const CLoopbackListener&) = delete;
    // A connection, or -1 when none came within wait.
    int Accept(std::chrono::milliseconds wait = std::chrono::seconds(10));
    int port = 0;

  private:
    int m_fd = -1;
};

// The TCP port wavelore-decode says on standard error, written to errFile,
// that it serves NMEA on; 0 when it does not say so within 30 s.
int AnnouncedNmeaPort(const std::filesystem::path& errFile);

}  // namespace wavelore::test
