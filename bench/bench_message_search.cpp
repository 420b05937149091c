// The explorer's search over a year of stored messages (365 days of 60,
// 21,900 in all, each some hundred words of NAVTEX-like text): one search
// of a common word, of a rare one and of two prefixes; the check that
// finds nothing to add; and the first fill from the files.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/explorer_model.h"
#include "app/message_index.h"
#include "app/message_search.h"
#include "app/message_selection.h"
#include "app/read_marks.h"
#include "common/utf.h"
#include "log_tree.h"

namespace {

using namespace wavelore;
namespace fs = std::filesystem;

const char* const kCommon[] = {
    "GALE",  "WARNING", "WIND",  "SEA",      "NAVIGATIONAL", "AREA",     "POSITION",   "BUOY",
    "LIGHT", "UNLIT",   "WRECK", "DRIFTING", "VESSEL",       "FORECAST", "VISIBILITY", "MODERATE",
    "GOOD",  "POOR",    "RAIN",  "FOG",      "NORTHWEST",    "SOUTH",    "EAST",       "CANCEL",
};

// A message of about 90 words: common words, positions and a rare word
// (one of about 20,000) each.
std::string MessageText(std::mt19937& random, int serial) {
    std::uniform_int_distribution<int> word(0, static_cast<int>(std::size(kCommon)) - 1);
    std::uniform_int_distribution<int> digits(0, 9999);
    std::string text = "ZCZC EA" + std::to_string(serial % 100) + "\r\n";
    for (int line = 0; line < 9; ++line) {
        for (int i = 0; i < 9; ++i) {
            text += kCommon[word(random)];
            text += ' ';
        }
        text += std::to_string(digits(random)) + "N\r\n";
    }
    text += "RARE" + std::to_string(serial) + "\r\nNNNN\r\n";
    return text;
}

// Each message's text drawn from one generator, so every run sees the same.
struct CTree : bench::CLogTree {
    CTree()
        : CLogTree([random = std::mt19937(7)](int serial) mutable {
              return MessageText(random, serial);
          }) {}
};

CTree& Tree() {
    static CTree tree;
    return tree;
}

// The index and its search, filled once.
struct Opened {
    CMessageSelection selection{u"", u""};
    CMessageIndex index{Tree().Root(), selection, nullptr};
    CMessageSearch search{index};
    Opened() {
        index.Open();
        search.Sync();
    }
};

Opened& Filled() {
    static Opened opened;
    return opened;
}

void SearchAYear(benchmark::State& state, std::u16string query) {
    CMessageSearch& search = Filled().search;
    size_t hits = 0;
    for (auto _ : state) {
        hits = search.Search(query).size();
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK_CAPTURE(SearchAYear, CommonWordThousandNewest, std::u16string(u"gale"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SearchAYear, RareWord, std::u16string(u"rare12345"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SearchAYear, TwoPrefixes, std::u16string(u"fog visib"))
    ->Unit(benchmark::kMillisecond);

// What the user of the explorer waits for: the search brought in step,
// its hits listed with their unread marks.
void ExplorerSearchAYear(benchmark::State& state) {
    Opened& opened = Filled();
    CReadMarks marks(opened.index);
    CExplorerModel model;
    model.SetIndex(&opened.index);
    model.SetSearch(&opened.search);
    model.SetReadMarks(&marks);
    model.SetLogRoot(Tree().Root() / "logs");
    for (auto _ : state) {
        model.Search(u"gale");
        benchmark::DoNotOptimize(model.Rows().size());
    }
    state.counters["hits"] = static_cast<double>(model.Rows().size());
}
BENCHMARK(ExplorerSearchAYear)->Unit(benchmark::kMillisecond);

void SyncWithNothingToAdd(benchmark::State& state) {
    CMessageSearch& search = Filled().search;
    for (auto _ : state) {
        benchmark::DoNotOptimize(search.Sync());
    }
}
BENCHMARK(SyncWithNothingToAdd)->Unit(benchmark::kMillisecond);

void FirstFillFromTheFiles(benchmark::State& state) {
    CMessageSearch& search = Filled().search;
    for (auto _ : state) {
        benchmark::DoNotOptimize(search.Rebuild());
    }
}
BENCHMARK(FirstFillFromTheFiles)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
