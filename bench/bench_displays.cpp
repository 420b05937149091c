// What the spectrum strip, the waterfall, the level meter and the signal
// panel cost per sound buffer (about 5.4 a second): analysis, tuning
// search and painting at the main window's size, shown offscreen so that
// every repaint really paints.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

#include "gui/band_strip_wnd.h"
#include "gui/level_meter_wnd.h"
#include "gui/signal_wnd.h"
#include "gui/waterfall_wnd.h"
#include "receiver/tuning_policy.h"

namespace {

using namespace wavelore;

// Two tones in noise, scaled as the decoder thread scales sound buffers.
SampleBlock NoisyTones() {
    std::mt19937 engine(7);
    std::normal_distribution<double> noise(0.0, 30.0);
    SampleBlock block(nullptr, 2048);
    for (int32_t i = 0; i < block.Count(); ++i) {
        const double t = i / 11025.0;
        block[i] = 60.0 * (std::sin(2 * std::numbers::pi * 1615 * t) +
                           std::sin(2 * std::numbers::pi * 1785 * t)) +
                   noise(engine);
    }
    return block;
}

void SpectrumStripPerBuffer(benchmark::State& state) {
    CSpectrumWnd strip;
    strip.resize(700, 80);
    strip.SetTuning(1700, 85);
    strip.show();
    CTuningPolicy tuning;
    const SampleBlock block = NoisyTones();
    for (auto _ : state) {
        benchmark::DoNotOptimize(tuning.Process(block.Data(), kSamplesPerBuffer, 1700, 85));
        strip.ShowSpectrum(tuning.Analyzer().Spectrum());
    }
}
BENCHMARK(SpectrumStripPerBuffer)->Unit(benchmark::kMicrosecond);

// The strip with the waterfall under it and the level meter, as a window
// showing all three is fed.
void StripWaterfallAndLevelPerBuffer(benchmark::State& state) {
    CSpectrumWnd strip;
    CWaterfallWnd waterfall;
    CLevelMeterWnd meter;
    strip.resize(700, 80);
    waterfall.resize(700, 160);
    meter.resize(700, 20);
    strip.SetTuning(1700, 85);
    waterfall.SetTuning(1700, 85);
    strip.show();
    waterfall.show();
    meter.show();
    CTuningPolicy tuning;
    const SampleBlock block = NoisyTones();
    for (auto _ : state) {
        benchmark::DoNotOptimize(tuning.Process(block.Data(), kSamplesPerBuffer, 1700, 85));
        strip.ShowSpectrum(tuning.Analyzer().Spectrum());
        waterfall.AddSpectrum(strip.Model().TraceLevels());
        meter.AddBlock(block);
        meter.repaint();
    }
}
BENCHMARK(StripWaterfallAndLevelPerBuffer)->Unit(benchmark::kMicrosecond);

void SignalPanelPerBuffer(benchmark::State& state) {
    CSignalWnd panel;
    panel.resize(200, 80);
    panel.show();
    const SampleBlock block = NoisyTones();
    for (auto _ : state) {
        panel.AddBlock(block);
    }
}
BENCHMARK(SignalPanelPerBuffer)->Unit(benchmark::kMicrosecond);

}  // namespace
