// What the spectrum strip and the signal panel cost per sound buffer (about
// 5.4 a second): analysis, tuning search and painting at the main window's
// size, shown offscreen so that every repaint really paints.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

#include "gui/band_strip_wnd.h"
#include "gui/signal_wnd.h"

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
    const SampleBlock block = NoisyTones();
    for (auto _ : state) {
        strip.AddBlock(block);
    }
}
BENCHMARK(SpectrumStripPerBuffer)->Unit(benchmark::kMicrosecond);

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

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
