// What the message index costs on the GUI thread: opening it over a log
// tree of a year (rebuilt from the files, or only checked against them),
// and recording one stored message.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/log_day.h"
#include "app/message_index.h"
#include "app/message_selection.h"
#include "common/clock.h"
#include "common/utf.h"

namespace {

using namespace wavelore;
namespace fs = std::filesystem;

constexpr int kDays = 365;
constexpr int kPerDay = 60;

// A temporary log tree of kDays days with kPerDay messages each.
class CTree {
  public:
    CTree() {
        char pattern[] = "/tmp/wavelore-bench-XXXXXX";
        m_root = mkdtemp(pattern);
        LocalTime t{2023, 1, 1, 0, 0, 0};
        for (int day = 0; day < kDays; ++day) {
            const fs::path dir = m_root / "logs" / ToUtf8(FormatDate(t));
            fs::create_directories(dir);
            for (int i = 0; i < kPerDay; ++i) {
                char name[64];
                std::snprintf(name, sizeof name, "%s %02d.%02d.00 %c%c%02d.txt",
                              ToUtf8(FormatDate(t)).c_str(), i / 3, i % 3 * 20, 'A' + i % 26,
                              'A' + i % 12, i);
                std::ofstream(dir / name) << "x";
            }
            t = AddSeconds(t, 86400);
        }
    }
    ~CTree() { fs::remove_all(m_root); }
    const fs::path& Root() const { return m_root; }

  private:
    fs::path m_root;
};

void RemoveIndex(const fs::path& root) {
    for (const char* suffix : {"", "-wal", "-shm"}) {
        fs::remove((root / "logs/messages.db").string() + suffix);
    }
}

void OpenRebuildingAYear(benchmark::State& state) {
    CTree tree;
    const CMessageSelection selection;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveIndex(tree.Root());
        state.ResumeTiming();
        CMessageIndex index(tree.Root(), selection, nullptr);
        benchmark::DoNotOptimize(index.Open());
    }
    state.counters["files"] = kDays * kPerDay;
}
BENCHMARK(OpenRebuildingAYear)->Unit(benchmark::kMillisecond)->Iterations(3);

void OpenCheckingAYear(benchmark::State& state) {
    CTree tree;
    const CMessageSelection selection;
    {
        CMessageIndex index(tree.Root(), selection, nullptr);
        index.Open();
    }
    for (auto _ : state) {
        CMessageIndex index(tree.Root(), selection, nullptr);
        benchmark::DoNotOptimize(index.Open());
    }
    state.counters["files"] = kDays * kPerDay;
}
BENCHMARK(OpenCheckingAYear)->Unit(benchmark::kMillisecond)->Iterations(5);

void AddOneMessage(benchmark::State& state) {
    CTree tree;
    const CMessageSelection selection;
    CMessageIndex index(tree.Root(), selection, nullptr);
    index.Open();
    MessageRecord record;
    record.date = u"2023-12-31";
    record.b1 = u"E";
    record.b2 = u"A";
    record.good = 500;
    int n = 0;
    for (auto _ : state) {
        const int seconds = n % 86400;
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
        record.time = FromUtf8(time);
        record.number = FromUtf8(std::to_string(10 + n % 90));
        record.path = tree.Root() / "logs/2023-12-31" / ("bench " + std::to_string(n) + ".txt");
        benchmark::DoNotOptimize(index.Add(record, true));
        ++n;
    }
}
BENCHMARK(AddOneMessage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
