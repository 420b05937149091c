// Cost of the character decoders per sound buffer, and of the JIS lookup.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/modes.h"
#include "common/sample_block.h"
#include "dsp/amtor_decoder.h"
#include "dsp/jis_table.h"
#include "dsp/navtex_j_decoder.h"
#include "dsp/start_stop_decoder.h"

namespace {

using namespace wavelore;

// Keys as the NAVTEX-J pairing forms them: two seven-bit bytes, mostly
// characters, some not.
std::vector<uint16_t> PairKeys() {
    std::mt19937 rng(9);
    std::vector<uint16_t> keys;
    for (int i = 0; i < 4096; ++i) {
        keys.push_back(i % 4 == 0 ? static_cast<uint16_t>(rng() & 0x7F7F)
                                  : kJisTable[rng() % kJisCharacterRows].jis);
    }
    return keys;
}

void BM_JisLookupScan(benchmark::State& state) {
    const std::vector<uint16_t> keys = PairKeys();
    for (auto _ : state) {
        for (uint16_t key : keys) {
            benchmark::DoNotOptimize(JisToUnicodeScan(key));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}
BENCHMARK(BM_JisLookupScan);

void BM_JisLookupIndex(benchmark::State& state) {
    const std::vector<uint16_t> keys = PairKeys();
    for (auto _ : state) {
        for (uint16_t key : keys) {
            benchmark::DoNotOptimize(JisToUnicode(key));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}
BENCHMARK(BM_JisLookupIndex);

// One sound buffer of demodulator-like output: noisy square keying.
SampleBlock KeyedBlock(int32_t samplesPerBit) {
    std::mt19937 rng(2);
    std::normal_distribution<double> noise(0.0, 3.0);
    SampleBlock block(nullptr, kSamplesPerBuffer);
    int bit = 1;
    for (int32_t i = 0; i < kSamplesPerBuffer; ++i) {
        if (i % samplesPerBit == 0) {
            bit = static_cast<int>(rng() & 1);
        }
        block[i] = (bit ? 8.0 : -8.0) + noise(rng);
    }
    return block;
}

template <typename Decoder>
void BM_DecodeBuffer(benchmark::State& state, uint32_t baud) {
    auto decoder = std::make_unique<Decoder>(kSampleRate, baud);
    const SampleBlock block = KeyedBlock(kSampleRate / static_cast<int32_t>(baud));
    std::u16string text;
    text.reserve(decoder->MaxText(kSamplesPerBuffer));
    for (auto _ : state) {
        text.clear();
        decoder->Process(block.Data(), kSamplesPerBuffer, text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * kSamplesPerBuffer);
}
void BM_DecodeAmtor(benchmark::State& state) {
    BM_DecodeBuffer<CAmtorDecoder>(state, 100);
}
BENCHMARK(BM_DecodeAmtor);

void BM_DecodeNavtexJ(benchmark::State& state) {
    BM_DecodeBuffer<CNavtexJDecoder>(state, 100);
}
BENCHMARK(BM_DecodeNavtexJ);

// RTTY at 45 baud: decoder at the doubled 90.
void BM_DecodeStartStop(benchmark::State& state) {
    BM_DecodeBuffer<CStartStopDecoder>(state, 90);
}
BENCHMARK(BM_DecodeStartStop);

}  // namespace

BENCHMARK_MAIN();
