#include "system/command_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "common/user_notifier.h"
#include "common/utf.h"

extern char** environ;

namespace wavelore {

namespace {

// The process's environment with the variables set over it.
std::vector<std::string> MergedEnvironment(const CCommandRunner::Environment& variables) {
    std::vector<std::string> out;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& [key, value] : variables) {
            replaced = replaced || key == name;
        }
        if (!replaced) {
            out.push_back(entry);
        }
    }
    for (const auto& [key, value] : variables) {
        out.push_back(key + '=' + value);
    }
    return out;
}

}  // namespace

CCommandRunner::CCommandRunner(std::string command, IUserNotifier* notifier)
    : CCommandRunner(std::move(command), notifier, Limits{}) {}

CCommandRunner::CCommandRunner(std::string command, IUserNotifier* notifier, Limits limits)
    : m_command(std::move(command)), m_notifier(notifier), m_limits(limits) {}

CCommandRunner::~CCommandRunner() {
    // Commands still running are left to finish on their own.
    Poll();
}

void CCommandRunner::Report(std::u16string_view format, const std::string& a,
                            const std::string& b) {
    if (m_notifier != nullptr) {
        m_notifier->ShowText({format, {FromUtf8(a), FromUtf8(b)}});
    }
}

void CCommandRunner::Run(Environment variables, std::string label) {
    Poll();
    Job job{std::move(variables), std::move(label)};
    if (m_running.size() < m_limits.maxRunning) {
        Start(std::move(job));
    } else if (m_queue.size() < m_limits.maxQueued) {
        m_queue.push_back(std::move(job));
    } else {
        ++m_counts.dropped;
        Report(texts::kCommandNotRun, job.label, std::to_string(m_limits.maxQueued));
    }
}

void CCommandRunner::Start(Job job) {
    const std::vector<std::string> environment = MergedEnvironment(job.variables);
    std::vector<char*> envp;
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    char shell[] = "/bin/sh";
    char dashC[] = "-c";
    char* argv[] = {shell, dashC, m_command.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // Standard output of the receiver is the decoded text.
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, shell, &actions, &attributes, argv, envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        ++m_counts.failed;
        Report(texts::kCommandCannotStart, job.label, std::strerror(error));
        return;
    }
    ++m_counts.started;
    m_running.push_back({pid, std::move(job.label), std::chrono::steady_clock::now()});
}

void CCommandRunner::EnforceLimit(Child& child, std::chrono::steady_clock::time_point now) {
    // The run is not collected yet, so its process group is still its own.
    if (!child.timedOut && now - child.started >= m_limits.timeout) {
        child.timedOut = true;
        child.terminated = now;
        ::kill(-child.pid, SIGTERM);
    } else if (child.timedOut && now - child.terminated >= kGrace) {
        ::kill(-child.pid, SIGKILL);
    }
}

void CCommandRunner::Poll() {
    const auto now = std::chrono::steady_clock::now();
    for (auto it = m_running.begin(); it != m_running.end();) {
        int status = 0;
        const pid_t done = waitpid(it->pid, &status, WNOHANG);
        if (done == 0) {
            EnforceLimit(*it, now);
            ++it;
            continue;
        }
        if (it->timedOut) {
            // The shell may be gone while what it started lingers.
            ::kill(-it->pid, SIGKILL);
            ++m_counts.timedOut;
            Report(texts::kCommandTimedOut, it->label,
                   std::to_string(
                       std::chrono::duration_cast<std::chrono::seconds>(m_limits.timeout).count()));
        } else if (done < 0) {
            // Collected elsewhere (SIGCHLD ignored): its status is unknown.
            if (errno != ECHILD) {
                Report(texts::kCommandLost, it->label, std::strerror(errno));
            }
        } else if (WIFSIGNALED(status)) {
            ++m_counts.failed;
            Report(texts::kCommandSignalled, it->label, std::to_string(WTERMSIG(status)));
        } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
            ++m_counts.failed;
            Report(texts::kCommandExited, it->label, std::to_string(WEXITSTATUS(status)));
        }
        it = m_running.erase(it);
    }
    while (!m_queue.empty() && m_running.size() < m_limits.maxRunning) {
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        Start(std::move(job));
    }
}

size_t CCommandRunner::Finish(std::chrono::milliseconds maxWait) {
    const auto deadline = std::chrono::steady_clock::now() + maxWait;
    Poll();
    while ((!m_running.empty() || !m_queue.empty()) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Poll();
    }
    if (!m_queue.empty()) {
        m_counts.notStarted += m_queue.size();
        Report(texts::kCommandsNotStarted, std::to_string(m_queue.size()));
        m_queue.clear();
    }
    return m_running.size();
}

}  // namespace wavelore
