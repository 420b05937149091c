#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wavelore {

class IUserNotifier;

// Runs a user's command line for events without ever waiting for it: each
// run is "/bin/sh -c COMMAND" with variables added to the environment (the
// only way data reaches the command, so nothing of it is ever read by the
// shell as a command), standard input from /dev/null, standard output to
// standard error, in a process group of its own so that a Ctrl-C meant for
// the receiver does not cut it short. At most maxRunning run at once; more
// wait in a queue of at most maxQueued, beyond which runs are dropped. A run
// still going after its time limit is ended with its whole process group
// (SIGTERM, and SIGKILL for what is left a grace time later), so that a
// hanging command cannot hold a place for good. A command that cannot be
// started, exits with a status other than 0, is ended by a signal or takes
// too long is reported through the notifier.
class CCommandRunner {
  public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    struct Limits {
        size_t maxRunning = 4;
        size_t maxQueued = 64;
        std::chrono::milliseconds timeout = std::chrono::seconds(60);
    };
    // What became of the runs asked for so far.
    struct Counts {
        size_t started = 0;     // begun, whatever their end
        size_t failed = 0;      // could not start, exited with a status other than 0, or signalled
        size_t timedOut = 0;    // ended at the time limit (not among failed)
        size_t dropped = 0;     // never queued: the queue was full
        size_t notStarted = 0;  // still queued when Finish gave up on them
    };
    // After SIGTERM at the time limit, how long a run has before SIGKILL.
    static constexpr std::chrono::seconds kGrace{2};

    // notifier may be null.
    CCommandRunner(std::string command, IUserNotifier* notifier);
    CCommandRunner(std::string command, IUserNotifier* notifier, Limits limits);
    ~CCommandRunner();
    CCommandRunner(const CCommandRunner&) = delete;
    CCommandRunner& operator=(const CCommandRunner&) = delete;

    // One run with these variables set (replacing any of the same name);
    // label names it in reports. Starts it now or queues it.
    void Run(Environment variables, std::string label);
    // Collects the commands that ended, reports their failures and starts
    // queued runs. Never waits; call it regularly.
    void Poll();
    // Polls until every run has ended or the time is up (time limits still
    // apply meanwhile). Returns how many are still running then: they are
    // left to run on. Runs still queued are reported and counted as not
    // started.
    size_t Finish(std::chrono::milliseconds maxWait);

    size_t Running() const { return m_running.size(); }
    size_t Queued() const { return m_queue.size(); }
    const Counts& Tally() const { return m_counts; }

  private:
    struct Job {
        Environment variables;
        std::string label;
    };
    struct Child {
        pid_t pid;
        std::string label;
        std::chrono::steady_clock::time_point started;
        bool timedOut = false;  // sent SIGTERM at the time limit
        std::chrono::steady_clock::time_point terminated{};
    };

    void Start(Job job);
    // SIGTERM at the time limit, SIGKILL after the grace time.
    void EnforceLimit(Child& child, std::chrono::steady_clock::time_point now);
    void Report(std::u16string_view format, const std::string& a, const std::string& b = {});

    std::string m_command;
    IUserNotifier* m_notifier;
    Limits m_limits;
    std::vector<Child> m_running;
    std::deque<Job> m_queue;
    Counts m_counts;
};

}  // namespace wavelore
