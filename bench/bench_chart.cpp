// What the chart pane costs: a full redraw of a year of warnings (some
// 5,000 geometries) at the main window's size over NAVAREA I, with the
// basemap drawn anew (a pan or zoom) and from its cache (a new selection
// or own position); and opening the pane, which reads and projects the
// basemap.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

#include "gui/chart_wnd.h"
#include "support/position_corpus.h"

namespace {

using namespace wavelore;

// The corpus's year of features, each of the 20 copies moved by a few
// tenths of a degree so that they lie side by side as a year's would.
std::vector<ChartWarning> YearOfWarnings() {
    std::string error;
    const auto corpus = test::LoadPositionCorpus(test::PositionCorpusPath(), error);
    std::vector<ChartWarning> warnings;
    int n = 0;
    for (WarningFeature& f : test::YearOfFeatures(corpus)) {
        const double shift = 0.3 * (n++ % 20);
        for (GeoPosition& p : f.geometry.positions) {
            p.latitude = std::clamp(p.latitude - shift / 2, -89.0, 89.0);
            p.longitude += shift;
            if (p.longitude > 180.0) {
                p.longitude -= 360.0;
            }
        }
        ChartWarning w;
        w.feature = std::move(f);
        warnings.push_back(std::move(w));
    }
    return warnings;
}

std::unique_ptr<CChartWnd> YearChart() {
    auto chart = std::make_unique<CChartWnd>();
    chart->resize(1280, 800);
    chart->SetNavArea(1);
    chart->SetWarnings(YearOfWarnings());
    chart->Model().View().Show(Project({54.0, 0.0}), 4096.0);
    return chart;
}

void Redraw(benchmark::State& state, bool panEachTime) {
    const std::unique_ptr<CChartWnd> chart = YearChart();
    state.counters["shapes"] = static_cast<double>(chart->Model().Shapes().size());
    QImage image(chart->size(), QImage::Format_ARGB32_Premultiplied);
    double pan = 1.0;
    for (auto _ : state) {
        if (panEachTime) {
            chart->Model().View().Pan(pan, 0.0);
            pan = -pan;
        }
        QPainter painter(&image);
        chart->PaintChart(painter);
    }
}

void BM_ChartRedrawYearWithBasemap(benchmark::State& state) {
    Redraw(state, true);
}
BENCHMARK(BM_ChartRedrawYearWithBasemap)->Unit(benchmark::kMillisecond);

void BM_ChartRedrawYearBasemapCached(benchmark::State& state) {
    Redraw(state, false);
}
BENCHMARK(BM_ChartRedrawYearBasemapCached)->Unit(benchmark::kMillisecond);

// Zoomed in on the Dover Strait, where the detailed coastline is drawn.
void BM_ChartRedrawDetailedCoast(benchmark::State& state) {
    const std::unique_ptr<CChartWnd> chart = YearChart();
    chart->Model().View().Show(Project({51.0, 1.5}), 65536.0);
    QImage image(chart->size(), QImage::Format_ARGB32_Premultiplied);
    double pan = 1.0;
    for (auto _ : state) {
        chart->Model().View().Pan(pan, 0.0);
        pan = -pan;
        QPainter painter(&image);
        chart->PaintChart(painter);
    }
}
BENCHMARK(BM_ChartRedrawDetailedCoast)->Unit(benchmark::kMillisecond);

void BM_ChartOpen(benchmark::State& state) {
    for (auto _ : state) {
        CChartWnd chart;
        benchmark::DoNotOptimize(chart.Model().Land(CCoastlineMap::kDetailed).size());
    }
}
BENCHMARK(BM_ChartOpen)->Unit(benchmark::kMillisecond);

}  // namespace
