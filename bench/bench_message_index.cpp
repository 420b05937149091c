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
#include "log_tree.h"

namespace {

using namespace wavelore;
namespace fs = std::filesystem;

constexpr int kDays = bench::CLogTree::kDays;
constexpr int kPerDay = bench::CLogTree::kPerDay;

// Every message a single character.
struct CTree : bench::CLogTree {
    CTree() : CLogTree([](int) { return std::string("x"); }) {}
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
