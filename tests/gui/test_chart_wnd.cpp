// The chart pane offscreen: the built-in basemap drawn, warnings in their
// subject's colour, and a click on one choosing its message.
#include <gtest/gtest.h>

#include <vector>

#include <QImage>
#include <QTest>

#include "geo/position_reader.h"
#include "gui/chart_wnd.h"

namespace wavelore {
namespace {

ChartWarning Read(const char16_t* code, const char16_t* text) {
    const WarningIdentity id{code, u"", u"Niton", u"2024-04-22", u"15:30:00"};
    ChartWarning warning;
    warning.feature = ReadFeatures(text, id).at(0);
    return warning;
}

TEST(ChartWnd, PaintsBasemapAndWarningsAndAClickChoosesTheMessage) {
    CChartWnd chart;
    chart.resize(640, 480);
    EXPECT_TRUE(chart.BasemapError().isEmpty()) << chart.BasemapError().toStdString();
    chart.SetNavArea(1);
    chart.SetWarnings({Read(u"GD01", u"PERSON IN WATER IN 50-30N 001-00W."),
                       Read(u"GA02", u"WRECK IN 50-50N 000-20W."),
                       Read(u"GA03",
                            u"FIRING EXERCISES IN AREA BOUNDED BY 49-50N 002-00W, "
                            u"49-50N 001-40W, 49-40N 001-40W, 49-40N 002-00W.")});
    chart.SetOwnPosition(GeoPosition{50.0, -1.0});
    ASSERT_TRUE(chart.ShowMessage(chart.Model().Warnings()[2].feature.geometry.identity));
    chart.Model().View().Show(Project({50.2, -1.0}), 8192.0);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));

    const QImage image = chart.grab().toImage();
    auto at = [&](GeoPosition p) {
        const WorldPoint s = chart.Model().View().ToScreen(Project(p));
        return QPoint(qRound(s.x), qRound(s.y));
    };
    // Search and rescue red; land and sea in their colours.
    const QColor sar = image.pixelColor(at({50.5, -1.0}));
    EXPECT_GT(sar.red(), 180);
    EXPECT_LT(sar.green(), 80);
    EXPECT_EQ(image.pixelColor(at({52.0, -1.5})), QColor(0xf2, 0xef, 0xe4));  // England
    EXPECT_EQ(image.pixelColor(at({49.0, -3.0})), QColor(0xd4, 0xe6, 0xf1));  // Channel

    std::vector<WarningIdentity> clicked;
    QObject::connect(&chart, &CChartWnd::MessageClicked,
                     [&](const WarningIdentity& id) { clicked.push_back(id); });
    QTest::mouseClick(&chart, Qt::LeftButton, {}, at({50.5, -1.0}));
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0].code, u"GD01");
    EXPECT_EQ(chart.Model().Chosen()->code, u"GD01");
    // A drag pans and chooses nothing; the wheel zooms about the cursor.
    const double scale = chart.Model().View().Scale();
    QTest::mousePress(&chart, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(&chart, QPoint(340, 230));
    QTest::mouseRelease(&chart, Qt::LeftButton, {}, QPoint(340, 230));
    EXPECT_EQ(clicked.size(), 1u);
    EXPECT_NEAR(chart.Model().View().Centre().x, Project({50.2, -1.0}).x - 40.0 / scale, 1e-9);
}

}  // namespace
}  // namespace wavelore
