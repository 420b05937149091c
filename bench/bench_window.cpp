// The receiver window's start: from building it (sound devices listed,
// settings read, window and decoder thread made) to its first painted
// spectrum, with a recording played in real time as the sound source, so
// the first buffer takes as long to fill as on a sound card (0.19 s).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>

#include "app/qt/profile_store_qt.h"
#include "audio/wave_in_portaudio.h"
#include "common/clock.h"
#include "common/user_notifier.h"
#include "gui/band_strip_wnd.h"
#include "gui/main_window.h"
#include "system/system_info.h"

namespace {

using namespace wavelore;
using Clock = std::chrono::steady_clock;

double g_applicationSeconds = 0.0;

class CSilentNotifier final : public IUserNotifier {
  public:
    void ShowMessage(const std::u16string&) override {}
};

// Notes the first paint of the strip that shows a spectrum.
class CFirstSpectrumPaint final : public QObject {
  public:
    explicit CFirstSpectrumPaint(CSpectrumWnd& strip) : m_strip(strip) {
        strip.installEventFilter(this);
    }
    bool painted = false;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_strip.Model().Spectrum() != nullptr) {
            painted = true;
        }
        return false;
    }

  private:
    CSpectrumWnd& m_strip;
};

void StartToFirstPaintedSpectrum(benchmark::State& state) {
    QTemporaryDir work;
    CSilentNotifier notifier;
    CSystemClock clock;
    CProcSystemFacts facts;
    for (auto _ : state) {
        const auto start = Clock::now();
        CQtProfileStore profile(std::filesystem::path(work.path().toStdString()) / "settings.ini");
        CPortAudioWaveIn devices;
        MainWindowSetup setup(profile, devices, notifier, notifier, clock, facts,
                              work.path().toStdString());
        setup.play = WAVELORE_SOURCE_DIR "/samples/navtex_sample.wav";
        CMainWindow window(setup);
        CFirstSpectrumPaint paint(*window.Spectrum());
        window.show();
        if (!QTest::qWaitFor([&] { return paint.painted; }, 10000)) {
            state.SkipWithError("no spectrum was painted");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["application_ms"] = g_applicationSeconds * 1000.0;
}
BENCHMARK(StartToFirstPaintedSpectrum)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const auto start = Clock::now();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    g_applicationSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
