#include "support/process_runner.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

std::filesystem::path ReceiverProgram() {
    return BinaryDir() / "src/gui/wavelore";
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

CBackgroundProcess::CBackgroundProcess(const std::string& command)
    : CBackgroundProcess(command, false) {}

CBackgroundProcess::CBackgroundProcess(const std::string& command, bool pipedInput) {
    // A previous run's output must not pass for this one's.
    std::error_code ec;
    std::filesystem::remove("out.txt", ec);
    std::filesystem::remove("err.txt", ec);
    int fds[2] = {-1, -1};
    if (pipedInput && pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    const std::string line =
        "exec " + command + " >out.txt 2>err.txt" + (pipedInput ? "" : " </dev/null");
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipedInput) {
        posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    }
    if (posix_spawn(&m_pid, "/bin/sh", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
        m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    if (pipedInput) {
        close(fds[0]);
        m_input = fds[1];
        // A tool that ends early must not end the test with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
    }
}

bool CBackgroundProcess::WriteInput(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(m_input, data, size);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void CBackgroundProcess::CloseInput() {
    if (m_input >= 0) {
        close(m_input);
        m_input = -1;
    }
}

CBackgroundProcess::~CBackgroundProcess() {
    CloseInput();
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

int ConnectLoopback(int port, int receiveBuffer) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int ConnectLoopbackWithin(int port, std::chrono::milliseconds wait) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    bool connected = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd writable{fd, POLLOUT, 0};
        int failure = 0;
        socklen_t length = sizeof failure;
        connected = poll(&writable, 1, static_cast<int>(wait.count())) == 1 &&
                    getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &length) == 0 && failure == 0;
    }
    if (!connected) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int AnnouncedPort() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string err = ReadFile("err.txt");
        const size_t at = err.find("TCP port ");
        if (at != std::string::npos && err.find('\n', at) != std::string::npos) {
            return std::stoi(err.substr(at + 9));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

std::string ReadToEnd(int fd) {
    std::string got;
    char buffer[4096];
    ssize_t n;
    while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

CLoopbackListener::CLoopbackListener() {
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(m_fd, 4) == 0 &&
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0) {
        port = ntohs(addr.sin_port);
    }
}

CLoopbackListener::~CLoopbackListener() {
    close(m_fd);
}

int CLoopbackListener::Accept(std::chrono::milliseconds wait) {
    pollfd p{m_fd, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(wait.count())) == 1 ? accept(m_fd, nullptr, nullptr) : -1;
}

int AnnouncedNmeaPort(const std::filesystem::path& errFile) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string err = ReadFile(errFile);
        const size_t at = err.find("TCP port ");
        if (at != std::string::npos && err.find('\n', at) != std::string::npos) {
            return std::stoi(err.substr(at + 9));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

}  // namespace wavelore::test
