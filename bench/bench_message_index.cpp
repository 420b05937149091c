// What the message index costs on the GUI thread: opening it over a log
// tree of a year (rebuilt from the files, or only checked against them),
// recording one stored message, and the places of a year of warnings:
// read from every file, asked for whole, and the feeds rewritten after a
// message.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/log_day.h"
#include "app/message_index.h"
#include "app/message_selection.h"
#include "app/warning_feeds.h"
#include "common/clock.h"
#include "common/utf.h"

namespace {

using namespace wavelore;
namespace fs = std::filesystem;

constexpr int kDays = 365;
constexpr int kPerDay = 60;
// A busy coast: warnings with positions from a few stations each day.
constexpr int kWarningsPerDay = 20;

// A point, a line or an area in a warning's text.
std::string WarningText(int n) {
    static const char* const kBodies[] = {
        "NAV WARNING %d/23\r\nWRECK IN 54-%02d.5N 003-40.2E. WIDE BERTH REQUESTED.",
        "NAV WARNING %d/23\r\nCABLE OPERATIONS ALONG LINE JOINING 54-%02dN 003-20E, "
        "54-20N 003-40E, 54-25N 004-00E.",
        "NAV WARNING %d/23\r\nFIRING EXERCISES AREA BOUNDED BY 54-%02dN 003-20E, 54-20N "
        "003-20E, 54-20N 003-40E, 54-10N 003-40E."};
    char body[256];
    std::snprintf(body, sizeof body, kBodies[n % 3], n, n % 60);
    return body;
}

// A temporary log tree of kDays days with perDay messages each: "x", or
// warnings stored as the assembler stores them.
class CTree {
  public:
    explicit CTree(int perDay = kPerDay, bool warnings = false) {
        char pattern[] = "/tmp/wavelore-bench-XXXXXX";
        m_root = mkdtemp(pattern);
        LocalTime t{2023, 1, 1, 0, 0, 0};
        for (int day = 0; day < kDays; ++day) {
            const std::string date = ToUtf8(FormatDate(t));
            const fs::path dir = m_root / "logs" / date;
            fs::create_directories(dir);
            for (int i = 0; i < perDay; ++i) {
                char name[64];
                std::snprintf(name, sizeof name, "%s %02d.%02d.00 %c%c%02d.txt", date.c_str(),
                              i / 3, i % 3 * 20, 'A' + i % 26, 'A' + i % 12, i);
                std::ofstream file(dir / name);
                if (warnings) {
                    file << "00:00:00 " << date << "\r\n\r\nZCZC " << std::string(name + 20, 4)
                         << "\r\n"
                         << WarningText(day * perDay + i) << "\r\nNNNN\r\n";
                } else {
                    file << "x";
                }
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
    const int perDay = static_cast<int>(state.range(0));
    CTree tree(perDay, state.range(1) != 0);
    const CMessageSelection selection;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveIndex(tree.Root());
        state.ResumeTiming();
        CMessageIndex index(tree.Root(), selection, nullptr);
        benchmark::DoNotOptimize(index.Open());
    }
    state.counters["files"] = kDays * perDay;
}
// Messages without positions, and a year of warnings whose positions are
// read from every file.
BENCHMARK(OpenRebuildingAYear)
    ->Args({kPerDay, 0})
    ->Args({kWarningsPerDay, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

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

void QueryAYearOfGeometries(benchmark::State& state) {
    CTree tree(kWarningsPerDay, true);
    const CMessageSelection selection;
    CMessageIndex index(tree.Root(), selection, nullptr);
    index.Open();
    index.RowsOfDay(u"2023-12-31");  // the filling done
    size_t rows = 0;
    for (auto _ : state) {
        rows = index.Geometries({}).value_or(std::vector<IndexedGeometry>()).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["geometries"] = static_cast<double>(rows);
}
BENCHMARK(QueryAYearOfGeometries)->Unit(benchmark::kMillisecond);

// The feeds after a message, with the default week and with a month.
void RewriteTheFeeds(benchmark::State& state) {
    CTree tree(kWarningsPerDay, true);
    const CMessageSelection selection;
    CMessageIndex index(tree.Root(), selection, nullptr);
    index.Open();
    index.RowsOfDay(u"2023-12-31");
    CWarningFeeds feeds(tree.Root(), index, nullptr);
    feeds.SetDays(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(feeds.Rewrite({2023, 12, 31, 23, 0, 0}));
    }
    state.counters["bytes"] =
        static_cast<double>(fs::file_size(feeds.GeoJsonPath()) + fs::file_size(feeds.GpxPath()));
}
BENCHMARK(RewriteTheFeeds)
    ->Arg(CWarningFeeds::kDefaultDays)
    ->Arg(30)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
