// The channelizer's cost: seconds of IQ input taken per second of one
// core ("x_real_time"), for two channels from an RTL-SDR's 2.048 MHz and
// four from a 10 MHz radio. Where liquid-dsp is installed, the same work
// through its mixer and multi-stage resampler (mix at the full rate, then
// half-band stages and an arbitrary resampler to 11025 Hz per channel) is
// timed beside it.

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "sdr/channelizer.h"

#ifdef WAVELORE_BENCH_LIQUID
#include <liquid/liquid.h>
#endif

namespace wavelore {
namespace {

struct Discard : IChannelSink {
    void OnChannelBlock(size_t, const SampleBlock& block) override {
        benchmark::DoNotOptimize(block.Data()[0]);
    }
};

// A tenth of a second of a few carriers and a little of everything.
std::vector<std::complex<float>> Band(double rate) {
    std::vector<std::complex<float>> iq(static_cast<size_t>(rate / 10));
    for (size_t k = 0; k < iq.size(); ++k) {
        const double t = static_cast<double>(k) / rate;
        iq[k] =
            std::polar(0.3f, static_cast<float>(std::fmod(2e4 * t, 1.0) * 2 * std::numbers::pi)) +
            std::complex<float>(static_cast<float>((k * 7919) % 255) / 2550.0f, 0.01f);
    }
    return iq;
}

struct Case {
    double rate;
    double centre;
    std::vector<double> channels;
};

const Case kCases[] = {
    {2048000, 504000, {490000, 518000}},
    {10000000, 4500000, {490000, 518000, 4209500, 8416500}},
};

void BM_Channelizer(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    ChannelizerSettings settings;
    settings.sampleRate = c.rate;
    settings.centreHz = c.centre;
    settings.channels = c.channels;
    std::string error;
    auto channelizer = CChannelizer::Create(settings, error);
    if (!channelizer) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::vector<std::complex<float>> iq = Band(c.rate);
    Discard sink;
    for (auto _ : state) {
        channelizer->Process(iq.data(), iq.size(), sink);
    }
    state.counters["x_real_time"] = benchmark::Counter(
        static_cast<double>(iq.size()) / c.rate, benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel(std::to_string(c.channels.size()) + " channels, " +
                   std::to_string(static_cast<int>(c.rate)) + " Hz");
}
BENCHMARK(BM_Channelizer)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(0.5);

#ifdef WAVELORE_BENCH_LIQUID
void BM_LiquidMixAndResample(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    std::vector<nco_crcf> mixers;
    std::vector<msresamp_crcf> resamplers;
    for (double channel : c.channels) {
        nco_crcf nco = nco_crcf_create(LIQUID_NCO);
        nco_crcf_set_frequency(nco, static_cast<float>(2 * std::numbers::pi *
                                                       (channel + 1056.25 - c.centre) / c.rate));
        mixers.push_back(nco);
        resamplers.push_back(msresamp_crcf_create(static_cast<float>(11025.0 / c.rate), 100.0f));
    }
    const std::vector<std::complex<float>> iq = Band(c.rate);
    std::vector<std::complex<float>> mixed(iq.size());
    std::vector<std::complex<float>> out(iq.size() / 100 + 64);
    for (auto _ : state) {
        for (size_t k = 0; k < mixers.size(); ++k) {
            nco_crcf_mix_block_down(mixers[k], const_cast<std::complex<float>*>(iq.data()),
                                    mixed.data(), static_cast<unsigned>(iq.size()));
            unsigned written = 0;
            msresamp_crcf_execute(resamplers[k], mixed.data(), static_cast<unsigned>(iq.size()),
                                  out.data(), &written);
            benchmark::DoNotOptimize(out[0]);
        }
    }
    for (size_t k = 0; k < mixers.size(); ++k) {
        nco_crcf_destroy(mixers[k]);
        msresamp_crcf_destroy(resamplers[k]);
    }
    state.counters["x_real_time"] = benchmark::Counter(
        static_cast<double>(iq.size()) / c.rate, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LiquidMixAndResample)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(0.5);
#endif

}  // namespace
}  // namespace wavelore

BENCHMARK_MAIN();
