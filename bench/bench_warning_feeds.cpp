// What the places in the index cost: opening the index over a year of
// stored warnings (their positions read from every file), asking for a
// year of geometries, and the rewrite of both feeds after each message.

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
// A busy coast: warnings with positions from a few stations each day.
constexpr int kPerDay = 20;

// A temporary log tree of a year of warnings, each with a point, a line or
// an area.
class CTree {
  public:
    CTree() {
        char pattern[] = "/tmp/wavelore-bench-XXXXXX";
        m_root = mkdtemp(pattern);
        LocalTime t{2023, 1, 1, 0, 0, 0};
        const char* bodies[] = {
            "NAV WARNING %d/23\r\nWRECK IN 54-%02d.5N 003-40.2E. WIDE BERTH REQUESTED.",
            "NAV WARNING %d/23\r\nCABLE OPERATIONS ALONG LINE JOINING 54-%02dN 003-20E, "
            "54-20N 003-40E, 54-25N 004-00E.",
            "NAV WARNING %d/23\r\nFIRING EXERCISES AREA BOUNDED BY 54-%02dN 003-20E, 54-20N "
            "003-20E, 54-20N 003-40E, 54-10N 003-40E."};
        for (int day = 0; day < kDays; ++day) {
            const std::string date = ToUtf8(FormatDate(t));
            const fs::path dir = m_root / "logs" / date;
            fs::create_directories(dir);
            for (int i = 0; i < kPerDay; ++i) {
                char id[8];
                std::snprintf(id, sizeof id, "%cA%02d", 'E' + i % 4, (day * kPerDay + i) % 99 + 1);
                char time[16];
                std::snprintf(time, sizeof time, "%02d.%02d.00", i, i * 2);
                char body[256];
                std::snprintf(body, sizeof body, bodies[i % 3], day * kPerDay + i, i % 60);
                std::ofstream(dir / (date + ' ' + time + ' ' + id + ".txt"))
                    << "00:00:00 " << date << "\r\n\r\nZCZC " << id << "\r\n"
                    << body << "\r\nNNNN\r\n";
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

void OpenRebuildingAYearOfWarnings(benchmark::State& state) {
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
BENCHMARK(OpenRebuildingAYearOfWarnings)->Unit(benchmark::kMillisecond)->Iterations(3);

void QueryAYearOfGeometries(benchmark::State& state) {
    CTree tree;
    const CMessageSelection selection;
    CMessageIndex index(tree.Root(), selection, nullptr);
    index.Open();
    size_t rows = 0;
    for (auto _ : state) {
        rows = index.Geometries({}).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["geometries"] = static_cast<double>(rows);
}
BENCHMARK(QueryAYearOfGeometries)->Unit(benchmark::kMillisecond);

void RewriteTheFeeds(benchmark::State& state) {
    CTree tree;
    const CMessageSelection selection;
    CMessageIndex index(tree.Root(), selection, nullptr);
    index.Open();
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
