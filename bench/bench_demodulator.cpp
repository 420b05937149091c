// Demodulator + SITOR-B decoder throughput over a noisy NAVTEX transmission,
// as a real-time factor: seconds of audio per second of CPU. The plain
// reference chain of the tests is timed beside the production one, and the
// enhanced chain and its tuning search beside both.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "common/modes.h"
#include "dsp/fsk_demodulator.h"
#include "dsp/sitor_b_decoder.h"
#include "dsp/tone_pair_search.h"
#include "receiver/receive_chain.h"
#include "support/reference_dsp.h"
#include "synth/synthesizer.h"

namespace {

using namespace wavelore;

// A broadcast of two messages at 10 dB SNR, slightly off tune, as 16-bit
// sound-card samples (about 40 s).
const std::vector<int16_t>& Recording() {
    static const std::vector<int16_t> samples = [] {
        synth::SynthOptions options;
        options.snrDb = 10.0;
        options.toneOffsetHz = 7.0;
        const std::vector<synth::NavtexMessage> messages = {
            {u"EA05",
             u"041200 UTC APR 24\nNAVAREA I 0512/24 DOVER STRAIT. LIGHT BUOY 51-08.2N "
             u"001-32.4E UNLIT.\nCANCEL THIS MSG 081200 UTC APR 24"},
            {u"GA71",
             u"ICE REPORT: SEA ICE 5-10 CM THICK IN THE WESTERN APPROACHES, NAVIGATION "
             u"DIFFICULT FOR VESSELS WITHOUT ICE CLASS."}};
        auto recording =
            synth::SynthesizeBroadcast(synth::SynthMode::SitorB, messages, options, 5.0);
        std::vector<int16_t> out =
            recording ? std::move(recording->samples) : std::vector<int16_t>();
        out.resize(out.size() / kSamplesPerBuffer * kSamplesPerBuffer);
        return out;
    }();
    return samples;
}

// What the decoder thread does with each sound buffer: scale into a block,
// demodulate, decode.
template <typename Demodulator, typename DecodeFn>
void RunRecording(Demodulator& demod, DecodeFn&& decode, size_t& characters) {
    const std::vector<int16_t>& rec = Recording();
    double scaled[kSamplesPerBuffer];
    for (size_t pos = 0; pos < rec.size(); pos += kSamplesPerBuffer) {
        for (int32_t i = 0; i < kSamplesPerBuffer; ++i) {
            scaled[i] = rec[pos + static_cast<size_t>(i)] * kSampleScale;
        }
        SampleBlock block(scaled, kSamplesPerBuffer);
        const auto out = demod.Process(block);
        characters += decode(out).size();
    }
}

void SetCounters(benchmark::State& state, size_t characters) {
    const double seconds = static_cast<double>(Recording().size()) / kSampleRate;
    state.counters["realtime_x"] =
        benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["chars"] = static_cast<double>(characters) / state.iterations();
}

void BM_Production(benchmark::State& state) {
    CFskDemodulator demod(kSampleRate, 1785.0, 1615.0, 100);
    CSitorBDecoder decoder(kSampleRate, 100);
    size_t characters = 0;
    for (auto _ : state) {
        RunRecording(
            demod, [&](const SampleBlock& b) { return decoder.Decode(b); }, characters);
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_Production)->Unit(benchmark::kMillisecond);

void BM_Reference(benchmark::State& state) {
    reference::FskDemodulator demod(kSampleRate, 1785.0, 1615.0, 100);
    reference::BitSynchroniser sync(kSampleRate, 100, 100);
    CSitorBDecoder decoder(kSampleRate, 100);
    size_t characters = 0;
    for (auto _ : state) {
        RunRecording(
            demod, [&](const SampleBlock& b) { return sync.Decode(b, decoder); }, characters);
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_Reference)->Unit(benchmark::kMillisecond);

// The two stages on their own, to see where the time goes.
void BM_DemodulatorOnly(benchmark::State& state) {
    CFskDemodulator demod(kSampleRate, 1785.0, 1615.0, 100);
    size_t characters = 0;
    for (auto _ : state) {
        RunRecording(
            demod, [](const SampleBlock&) { return std::u16string(); }, characters);
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_DemodulatorOnly)->Unit(benchmark::kMillisecond);

void BM_DecoderOnly(benchmark::State& state) {
    CFskDemodulator demod(kSampleRate, 1785.0, 1615.0, 100);
    std::vector<SampleBlock> demodulated;
    size_t unused = 0;
    RunRecording(
        demod,
        [&](const SampleBlock& b) {
            demodulated.push_back(b.Copy());
            return std::u16string();
        },
        unused);
    CSitorBDecoder decoder(kSampleRate, 100);
    size_t characters = 0;
    for (auto _ : state) {
        for (const SampleBlock& b : demodulated) {
            characters += decoder.Decode(b).size();
        }
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_DecoderOnly)->Unit(benchmark::kMillisecond);

// The enhanced chain as the decoder thread runs it, from its creation.
void BM_EnhancedChain(benchmark::State& state) {
    ChainSettings settings;
    settings.enhanced = true;
    size_t characters = 0;
    for (auto _ : state) {
        const auto chain = CReceiveChain::Create(settings);
        RunRecording(
            *chain, [](const ChainOutput& out) { return out.text; }, characters);
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_EnhancedChain)->Unit(benchmark::kMillisecond);

// The enhanced chain's tuning search, run on every buffer beside it.
void BM_TonePairSearch(benchmark::State& state) {
    struct Search {
        CTonePairSearch search;
        SampleBlock Process(const SampleBlock& block) {
            benchmark::DoNotOptimize(search.Process(block, 1700, 85));
            return SampleBlock();
        }
    };
    size_t characters = 0;
    for (auto _ : state) {
        Search search;
        RunRecording(
            search, [](const SampleBlock&) { return std::u16string(); }, characters);
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_TonePairSearch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
