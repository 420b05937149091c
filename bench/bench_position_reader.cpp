// What reading positions and writing the feeds cost: the reader over the
// warning corpus (a rebuild of a year's geometries reads each stored
// message so), over one huge message, and the GeoJSON and GPX of a year's
// worth of features.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "geo/geojson_writer.h"
#include "geo/gpx_writer.h"
#include "geo/position_reader.h"
#include "support/position_corpus.h"

namespace {

using namespace wavelore;

const std::vector<test::CorpusWarning>& Corpus() {
    static const std::vector<test::CorpusWarning> corpus = [] {
        std::string error;
        return test::LoadPositionCorpus(test::PositionCorpusPath(), error);
    }();
    return corpus;
}

void BM_ReadCorpus(benchmark::State& state) {
    size_t characters = 0;
    for (const test::CorpusWarning& w : Corpus()) {
        characters += w.text.size();
    }
    for (auto _ : state) {
        for (const test::CorpusWarning& w : Corpus()) {
            benchmark::DoNotOptimize(ReadPositions(w.text));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Corpus().size()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(characters));
}
BENCHMARK(BM_ReadCorpus);

// A megabyte of one list: 100,000 positions joined by commas.
void BM_ReadHugeList(benchmark::State& state) {
    std::u16string text = u"AREA BOUNDED BY ";
    for (int i = 0; i < 100000; ++i) {
        text += u"54-12.5N 003-40.2E, ";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadPositions(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadHugeList)->Unit(benchmark::kMillisecond);

std::vector<WarningFeature> YearOfFeatures() {
    return test::YearOfFeatures(Corpus());
}

void BM_WriteGeoJsonYear(benchmark::State& state) {
    const std::vector<WarningFeature> features = YearOfFeatures();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteGeoJson(features));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(features.size()));
}
BENCHMARK(BM_WriteGeoJsonYear)->Unit(benchmark::kMillisecond);

void BM_WriteGpxYear(benchmark::State& state) {
    const std::vector<WarningFeature> features = YearOfFeatures();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteGpx(features));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(features.size()));
}
BENCHMARK(BM_WriteGpxYear)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
