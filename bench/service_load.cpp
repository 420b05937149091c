// Load on a collection service on this machine: simulated receivers posting
// messages on a fixed schedule through the receiver's own HTTP client, and
// readers paging and searching at the same time. Loopback only, and
// bounded in time. At the end the service's own counts must match what the
// receivers were told was stored: nothing lost, nothing stored twice.
//
//   service_load --port P [--uids FILE] [--receivers 1000] [--interval 30]
//                [--readers 50] [--think-ms 1000] [--duration 600]
//
// Without --uids the receivers are made on the service's sign-up page,
// which must be open (signup = true, signups_per_hour high enough).
//
// Receivers are in groups of ten that hear the same broadcast: in each
// interval every group's ten receivers upload one message of their own
// identity (B1B2B3B4), so one becomes a new message and nine are merged.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/message_record.h"
#include "app/upload_step.h"
#include "common/utf.h"
#include "net/http_client.h"
#include "net/upload_request.h"

namespace {

using namespace wavelore;
using Clock = std::chrono::steady_clock;

constexpr int kGroup = 10;
constexpr int kMaxSeconds = 3600;
constexpr int kSenders = 48;

struct Options {
    int port = 0;
    std::string uidFile;
    int receivers = 1000;
    double interval = 30;
    int readers = 50;
    int thinkMs = 1000;
    int duration = 600;
};

class Latencies {
  public:
    void Add(double ms) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ms.push_back(ms);
    }
    void Report(const char* what, double seconds) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::sort(m_ms.begin(), m_ms.end());
        const auto at = [this](double q) {
            return m_ms.empty() ? 0.0 : m_ms[std::min(m_ms.size() - 1, size_t(q * m_ms.size()))];
        };
        std::printf(
            "%-8s %8zu requests  %7.1f/s  p50 %6.1f ms  p95 %6.1f ms  p99 %6.1f ms  "
            "max %7.1f ms\n",
            what, m_ms.size(), m_ms.size() / seconds, at(0.50), at(0.95), at(0.99),
            m_ms.empty() ? 0.0 : m_ms.back());
    }
    double P99() {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::sort(m_ms.begin(), m_ms.end());
        return m_ms.empty() ? 0.0 : m_ms[std::min(m_ms.size() - 1, size_t(0.99 * m_ms.size()))];
    }

  private:
    std::mutex m_mutex;
    std::vector<double> m_ms;
};

// One exchange with the receiver's client: status 1 and the reply, or 0.
int Exchange(int port, std::u16string_view path, int kind, const UploadRequest* request,
             std::string& body) {
    CHttpClient client;
    client.SetTimeouts(5000, 30000);
    if (!client.Open(u"127.0.0.1", kUploadUserAgent, port, u"", u"")) {
        return 0;
    }
    client.ResetFields();
    if (request != nullptr) {
        for (size_t i = 0; i < UploadRequest::kSlotCount; ++i) {
            client.AddField(UploadRequest::kFieldNames[i], request->slots[i], false);
        }
    }
    client.Send(path, kind);
    std::string headers;
    const int ok = client.ReadReply(headers, 4096, body, 1 << 20);
    client.Close();
    return ok && headers.find(" 200 ") != std::string::npos ? 1 : 0;
}

// A receiver made on the sign-up page; its upload ID, or empty.
std::string SignUp(int port, const std::string& name) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return {};
    }
    std::string form = "name=" + name;
    for (char& c : form) {
        c = c == ' ' ? '+' : c;
    }
    const std::string request =
        "POST /cgi-bin/navtex/register.cgi HTTP/1.0\r\nContent-Type: "
        "application/x-www-form-urlencoded\r\nContent-Length: " +
        std::to_string(form.size()) + "\r\n\r\n" + form;
    std::string reply;
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            reply.append(buffer, static_cast<size_t>(n));
        }
    }
    close(fd);
    const std::string mark = "<code class=\"id\">";
    const size_t at = reply.find(mark);
    return at == std::string::npos ? std::string() : reply.substr(at + mark.size(), 36);
}

std::string Two(int n) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", n % 100);
    return buffer;
}

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--port") {
            o.port = std::atoi(value);
        } else if (key == "--uids") {
            o.uidFile = value;
        } else if (key == "--receivers") {
            o.receivers = std::atoi(value);
        } else if (key == "--interval") {
            o.interval = std::atof(value);
        } else if (key == "--readers") {
            o.readers = std::atoi(value);
        } else if (key == "--think-ms") {
            o.thinkMs = std::atoi(value);
        } else if (key == "--duration") {
            o.duration = std::atoi(value);
        } else {
            return false;
        }
    }
    return o.port > 0 && o.port < 65536 && o.receivers > 0 && o.interval > 0 && o.readers >= 0 &&
           o.duration > 0 && o.duration <= kMaxSeconds;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if ((argc - 1) % 2 != 0 || !ParseArgs(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: service_load --port P [--uids FILE] [--receivers N] [--interval S] "
                     "[--readers N] [--think-ms MS] [--duration S (at most %d)]\n"
                     "Talks to 127.0.0.1 only.\n",
                     kMaxSeconds);
        return 2;
    }
    std::vector<std::string> uids;
    if (o.uidFile.empty()) {
        for (int r = 0; r < o.receivers; ++r) {
            uids.push_back(SignUp(o.port, "Load receiver " + std::to_string(r + 1)));
            if (uids.back().empty()) {
                std::fprintf(stderr, "service_load: the sign-up page made no receiver\n");
                return 2;
            }
        }
    } else {
        std::ifstream in(o.uidFile);
        for (std::string line; std::getline(in, line);) {
            if (line.size() >= 36) {
                uids.push_back(line.substr(0, 36));
            }
        }
    }
    if (static_cast<int>(uids.size()) < o.receivers) {
        std::fprintf(stderr, "service_load: %s has %zu upload IDs, %d needed\n", o.uidFile.c_str(),
                     uids.size(), o.receivers);
        return 2;
    }
    CHttpClient::InitLibrary();

    // The schedule: receiver r uploads at r * interval / receivers + k * interval.
    struct Job {
        Clock::time_point due;
        int receiver;
        int cycle;
    };
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Job> queue;
    std::atomic<bool> stop{false};
    std::atomic<int64_t> sent{0}, stored{0}, failed{0}, lateMs{0};
    std::atomic<int64_t> reads{0}, readFailures{0};
    Latencies uploadMs, pageMs;
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(o.duration);

    std::vector<std::thread> threads;
    for (int s = 0; s < kSenders; ++s) {
        threads.emplace_back([&] {
            for (;;) {
                Job job;
                {
                    std::unique_lock<std::mutex> lock(mutex);
                    ready.wait(lock, [&] { return stop || !queue.empty(); });
                    if (queue.empty()) {
                        return;
                    }
                    job = queue.front();
                    queue.pop_front();
                }
                const int group = job.receiver / kGroup;
                MessageRecord record;
                const int64_t second = 30000 + job.cycle * 37 + job.receiver % kGroup;
                record.date = u"2027-01-15";
                record.time = FromUtf8(Two(int(second / 3600) % 24) + ":" +
                                       Two(int(second / 60) % 60) + ":" + Two(int(second % 60)));
                record.b1 = std::u16string(1, char16_t(u'A' + group % 26));
                record.b2 = std::u16string(1, char16_t(u'A' + (group / 26) % 8));
                record.number = FromUtf8(Two(job.cycle));
                record.text = FromUtf8("LOAD TEST GROUP " + std::to_string(group) + " CYCLE " +
                                       std::to_string(job.cycle) +
                                       "\r\nGALE WARNING SOUTHWESTERLY 8 VEERING WESTERLY LATER."
                                       "\r\nWRECK 51-02.4N 001-28.6E MARKED BY A BUOY.\r\n");
                record.quality = 60 + (job.receiver * 7 + job.cycle) % 41;
                const UploadRequest request =
                    MakeMessageUploadRequest(record, FromUtf8(uids[size_t(job.receiver)]));
                const auto begun = Clock::now();
                lateMs = std::max<int64_t>(
                    lateMs,
                    std::chrono::duration_cast<std::chrono::milliseconds>(begun - job.due).count());
                std::string reply;
                const int ok =
                    Exchange(o.port, kUploadPath, HttpClient::kMultipartPost, &request, reply);
                uploadMs.Add(
                    std::chrono::duration<double, std::milli>(Clock::now() - begun).count());
                ++sent;
                if (ok && reply.rfind("OK", 0) == 0) {
                    ++stored;
                } else {
                    ++failed;
                }
            }
        });
    }

    // Readers: the pages a person uses, one after another with a pause.
    const std::vector<std::string> words = {"gale",    "wreck",   "buoy", "westerly",
                                            "group 7", "cycle 3", "later"};
    for (int r = 0; r < o.readers; ++r) {
        threads.emplace_back([&, r] {
            std::mt19937 random(static_cast<unsigned>(r + 1));
            while (Clock::now() < end) {
                std::string path;
                switch (random() % 7) {
                    case 0:
                        path.assign(1, '/');
                        break;
                    case 1:
                        path = "/?navarea=1&subject=" + std::string(1, char('A' + random() % 4));
                        break;
                    case 2:
                        path = "/?q=" + words[random() % words.size()];
                        for (char& c : path) {
                            c = c == ' ' ? '+' : c;
                        }
                        break;
                    case 3:
                        path = "/message/" +
                               std::to_string(1 +
                                              random() % std::max<int64_t>(1, stored / kGroup + 1));
                        break;
                    case 4:
                        path = "/api/messages?station=" + std::string(1, char('A' + random() % 26));
                        break;
                    case 5:
                        path = "/feed.atom?subject=B";
                        break;
                    default:
                        path = "/receiver/" + std::to_string(1 + random() % o.receivers);
                        break;
                }
                const auto begun = Clock::now();
                std::string body;
                const int ok = Exchange(o.port, FromUtf8(path), 0, nullptr, body);
                pageMs.Add(std::chrono::duration<double, std::milli>(Clock::now() - begun).count());
                ++reads;
                if (!ok && path.rfind("/message/", 0) != 0) {
                    ++readFailures;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(o.thinkMs));
            }
        });
    }

    // The scheduler.
    int64_t scheduled = 0;
    int64_t broadcasts = 0;  // group and cycle pairs: the messages there should be
    int cycles = 0;
    for (int cycle = 0;; ++cycle) {
        cycles = cycle + 1;
        bool done = false;
        for (int receiver = 0; receiver < o.receivers; ++receiver) {
            const auto due =
                start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                            o.interval * (cycle + double(receiver) / o.receivers)));
            if (due >= end) {
                done = true;
                break;
            }
            std::this_thread::sleep_until(due);
            {
                std::lock_guard<std::mutex> lock(mutex);
                queue.push_back(Job{due, receiver, cycle});
            }
            ready.notify_one();
            ++scheduled;
            broadcasts += receiver % kGroup == 0 ? 1 : 0;
        }
        if (done) {
            break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    ready.notify_all();
    for (std::thread& t : threads) {
        t.join();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    std::string stats;
    Exchange(o.port, u"/api/stats", 0, nullptr, stats);
    std::printf(
        "load: %d receivers every %.1f s (%.1f uploads/s), %d readers pausing %d ms, "
        "%.0f s\n",
        o.receivers, o.interval, o.receivers / o.interval, o.readers, o.thinkMs, seconds);
    uploadMs.Report("uploads", seconds);
    pageMs.Report("pages", seconds);
    std::printf("uploads: %" PRId64 " scheduled, %" PRId64 " answered OK, %" PRId64
                " failed; sender lateness at most %" PRId64 " ms\n",
                scheduled, stored.load(), failed.load(), lateMs.load());
    std::printf("pages: %" PRId64 " read, %" PRId64 " failed\n", reads.load(), readFailures.load());
    std::printf("service counts: %s", stats.c_str());
    // Every reception answered OK is stored once; in each group's cycle one
    // new message and the rest merged.
    const auto count = [&stats](const std::string& name) -> int64_t {
        const size_t at = stats.find("\"" + name + "\":");
        return at == std::string::npos ? -1 : std::atoll(stats.c_str() + at + name.size() + 3);
    };
    // Serial numbers repeat after 100 cycles, and then merge by design.
    const bool messagesKnown = cycles <= 100;
    std::printf("expected: %" PRId64 " receptions, %s messages\n", stored.load(),
                messagesKnown ? std::to_string(broadcasts).c_str() : "(not checked)");
    const bool exact = count("receptions") == stored && failed == 0 && scheduled == sent &&
                       (!messagesKnown || count("messages") == broadcasts);
    std::printf("result: %s; upload p99 %.1f ms (target < 100), page p99 %.1f ms (target < 200)\n",
                exact ? "nothing lost or stored twice" : "MISMATCH between answered and stored",
                uploadMs.P99(), pageMs.P99());
    return exact ? 0 : 1;
}
