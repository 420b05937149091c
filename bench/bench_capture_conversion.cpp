// What converting a sound card's rate to the receiver's costs the capture
// pump: ten seconds of noisy mono capture at the card's rate, fed through
// the converter in the pump's pieces. The share of one core the conversion
// takes while capturing in real time is 100 / realtime_x per cent.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "audio/sample_rate_converter.h"
#include "common/modes.h"

namespace {

using namespace wavelore;

constexpr size_t kPiece = 1024;  // what the pump converts per step
constexpr int kSeconds = 10;

void BM_CaptureConversion(benchmark::State& state) {
    const auto rate = static_cast<uint32_t>(state.range(0));
    std::vector<int16_t> capture(size_t{rate} * kSeconds);
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0.0, 3000.0);
    for (int16_t& s : capture) {
        s = static_cast<int16_t>(noise(random));
    }
    CSampleRateConverter converter;
    if (!converter.Open(rate, kSampleRate, kPiece)) {
        state.SkipWithError("the converter does not open");
        return;
    }
    size_t produced = 0;
    for (auto _ : state) {
        for (size_t at = 0; at < capture.size(); at += kPiece) {
            const int16_t* out = nullptr;
            size_t n = 0;
            converter.Process(capture.data() + at, std::min(kPiece, capture.size() - at), out, n);
            produced += n;
        }
    }
    benchmark::DoNotOptimize(produced);
    state.counters["realtime_x"] =
        benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CaptureConversion)->Arg(44100)->Arg(48000)->Arg(96000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
