#include "support/process_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <thread>

#include "support/fixtures.h"

extern char** environ;

namespace wavelore::test {

std::filesystem::path DecodeTool() {
    return BinaryDir() / "src/cli/wavelore-decode";
}

std::filesystem::path SynthTool() {
    return BinaryDir() / "tools" / "wavelore-synth";
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

ProcessResult RunProcess(const std::string& command, const ProcessOptions& options) {
    std::string line;
    for (const auto& [name, value] : options.environment) {
        line += name + "=" + ShellQuote(value) + " ";
    }
    line += command + " >" + ShellQuote(options.outPath) + " 2>" + ShellQuote(options.errPath) +
            (options.input ? "" : " </dev/null");
    ProcessResult result;
    if (options.input) {
        std::signal(SIGPIPE, SIG_IGN);  // the command may exit before reading its input
    }
    std::FILE* pipe = popen(line.c_str(), "w");
    if (!pipe) {
        ADD_FAILURE() << "cannot start " << line;
        return result;
    }
    if (options.input) {
        const std::string& input = *options.input;
        std::size_t at = 0;
        for (std::size_t i = 0; at < input.size(); ++i) {
            const std::size_t n =
                std::min(options.chunks[i % options.chunks.size()], input.size() - at);
            if (std::fwrite(input.data() + at, 1, n, pipe) != n || std::fflush(pipe) != 0) {
                break;
            }
            at += n;
        }
    }
    const int status = pclose(pipe);
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    // Not /dev/full or /dev/null, which never end.
    std::error_code ec;
    if (std::filesystem::is_regular_file(options.outPath, ec)) {
        result.out = ReadFile(options.outPath);
    }
    if (std::filesystem::is_regular_file(options.errPath, ec)) {
        result.err = ReadFile(options.errPath);
    }
    return result;
}

CBackgroundProcess::CBackgroundProcess(const std::string& command) {
    // A previous run's output must not pass for this one's.
    std::error_code ec;
    std::filesystem::remove("out.txt", ec);
    std::filesystem::remove("err.txt", ec);
    const std::string line = "exec " + command + " >out.txt 2>err.txt </dev/null";
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
    if (posix_spawn(&m_pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        m_pid = -1;
    }
}

CBackgroundProcess::~CBackgroundProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

void CBackgroundProcess::Signal(int sig) {
    kill(m_pid, sig);
}

ProcessResult CBackgroundProcess::Wait(std::chrono::seconds timeout) {
    ProcessResult result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_pid > 0) {
        int status = 0;
        const pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_pid = -1;
            if (WIFEXITED(status)) {
                result.exitCode = WEXITSTATUS(status);
            } else if (WIFSIGNALED(status)) {
                result.err = "killed by signal " + std::to_string(WTERMSIG(status)) + "\n";
            }
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the command did not end within " << timeout.count() << " s";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.out = ReadFile("out.txt");
    result.err += ReadFile("err.txt");
    return result;
}

}  // namespace wavelore::test
