// Demodulator + SITOR-B decoder throughput over a noisy NAVTEX transmission,
// as a real-time factor: seconds of audio per second of CPU. The plain
// reference chain of the tests is timed beside the production one, and the
// enhanced chain and its tuning search beside both.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
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

// What the decoder thread does with each sound buffer: scale it, then
// hand it to each, which returns the characters it decoded.
template <typename Each>
void RunRecording(Each&& each, size_t& characters) {
    const std::vector<int16_t>& rec = Recording();
    double scaled[kSamplesPerBuffer];
    for (size_t pos = 0; pos < rec.size(); pos += kSamplesPerBuffer) {
        for (int32_t i = 0; i < kSamplesPerBuffer; ++i) {
            scaled[i] = rec[pos + static_cast<size_t>(i)] * kSampleScale;
        }
        characters += each(scaled);
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
    std::u16string text;
    text.reserve(256);
    double out[kSamplesPerBuffer];
    size_t characters = 0;
    for (auto _ : state) {
        RunRecording(
            [&](const double* in) {
                text.clear();
                demod.Process(in, kSamplesPerBuffer, out);
                decoder.Process(out, kSamplesPerBuffer, text);
                return text.size();
            },
            characters);
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
            [&](const double* in) {
                return sync.Decode(demod.Process(SampleBlock(in, kSamplesPerBuffer)), decoder)
                    .size();
            },
            characters);
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_Reference)->Unit(benchmark::kMillisecond);

// The two stages on their own, to see where the time goes.
void BM_DemodulatorOnly(benchmark::State& state) {
    CFskDemodulator demod(kSampleRate, 1785.0, 1615.0, 100);
    double out[kSamplesPerBuffer];
    size_t characters = 0;
    for (auto _ : state) {
        RunRecording(
            [&](const double* in) {
                demod.Process(in, kSamplesPerBuffer, out);
                return size_t{0};
            },
            characters);
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_DemodulatorOnly)->Unit(benchmark::kMillisecond);

void BM_DecoderOnly(benchmark::State& state) {
    CFskDemodulator demod(kSampleRate, 1785.0, 1615.0, 100);
    std::vector<std::vector<double>> demodulated;
    size_t unused = 0;
    RunRecording(
        [&](const double* in) {
            std::vector<double> out(kSamplesPerBuffer);
            demod.Process(in, kSamplesPerBuffer, out.data());
            demodulated.push_back(std::move(out));
            return size_t{0};
        },
        unused);
    CSitorBDecoder decoder(kSampleRate, 100);
    std::u16string text;
    size_t characters = 0;
    for (auto _ : state) {
        for (const std::vector<double>& b : demodulated) {
            text.clear();
            decoder.Process(b.data(), b.size(), text);
            characters += text.size();
        }
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_DecoderOnly)->Unit(benchmark::kMillisecond);

// The enhanced chain as the decoder thread runs it, from its creation.
void BM_EnhancedChain(benchmark::State& state) {
    ChainSettings settings;
    settings.enhanced = true;
    double signal[kSamplesPerBuffer];
    size_t characters = 0;
    for (auto _ : state) {
        const auto chain = CReceiveChain::Create(settings);
        RunRecording(
            [&](const double* in) {
                return chain->Process(in, kSamplesPerBuffer, signal).text.size();
            },
            characters);
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_EnhancedChain)->Unit(benchmark::kMillisecond);

// The enhanced chain's tuning search, run on every buffer beside it.
void BM_TonePairSearch(benchmark::State& state) {
    size_t characters = 0;
    for (auto _ : state) {
        CTonePairSearch search;
        RunRecording(
            [&](const double* in) {
                benchmark::DoNotOptimize(search.Process(in, kSamplesPerBuffer, 1700, 85));
                return size_t{0};
            },
            characters);
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_TonePairSearch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
