// wavelore-chart-picture: renders the chart pane to a PNG file (the
// README's picture).
//   wavelore-chart-picture OUT.png [LAT LON SCALE]
// The warnings are those of the position corpus in the source tree, read
// by the position reader as received messages are; the stations are
// NAVAREA I's, the own position lies in the southern North Sea, and the
// view is centred on LAT LON (degrees) at SCALE pixels for the world's
// width (default: the North Sea and the Channel).
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QPixmap>

#include "gui/chart_wnd.h"
#include "support/position_corpus.h"

int main(int argc, char** argv) {
    using namespace wavelore;
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: wavelore-chart-picture OUT.png [LAT LON SCALE]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::string error;
    const auto corpus = test::LoadPositionCorpus(test::PositionCorpusPath(), error);
    if (corpus.empty()) {
        std::fprintf(stderr, "wavelore-chart-picture: %s\n", error.c_str());
        return 1;
    }
    std::vector<ChartWarning> warnings;
    for (WarningFeature& f : test::YearOfFeatures(corpus, 1)) {
        ChartWarning w;
        w.feature = std::move(f);
        warnings.push_back(std::move(w));
    }
    CChartWnd chart;
    chart.resize(1000, 700);
    chart.SetNavArea(1);
    chart.SetWarnings(std::move(warnings));
    chart.SetOwnPosition(GeoPosition{52.4, 2.9});
    // The first search and rescue message chosen, as from the explorer.
    for (const ChartWarning& w : chart.Model().Warnings()) {
        if (CategoryOf(w.feature.geometry.identity.code) == WarningCategory::SearchAndRescue) {
            chart.Model().SetChosen(w.feature.geometry.identity);
            break;
        }
    }
    const double lat = argc == 5 ? std::atof(argv[2]) : 53.3;
    const double lon = argc == 5 ? std::atof(argv[3]) : 2.4;
    const double scale = argc == 5 ? std::atof(argv[4]) : 14000.0;
    chart.Model().View().Show(Project({lat, lon}), scale);
    if (!chart.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "wavelore-chart-picture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
