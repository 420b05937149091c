// The chart without a screen: projection, pan and zoom, which warnings are
// shown, what a click lands on, distances from own position, and the
// basemap file read with its bounds checked.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geo/chart_model.h"
#include "geo/coastline_map.h"
#include "geo/mercator_view.h"
#include "geo/warning_expiry.h"

namespace wavelore {
namespace {

constexpr double kMetresPerNm = 1852.0;

WarningIdentity Id(std::u16string code) {
    return {std::move(code), u"", u"Niton", u"2024-04-22", u"15:30:00"};
}

ChartWarning Warning(std::u16string code, GeometryKind kind, std::vector<GeoPosition> positions,
                     double radius = 0.0) {
    ChartWarning w;
    w.feature.geometry.identity = Id(std::move(code));
    w.feature.geometry.kind = kind;
    w.feature.geometry.positions = std::move(positions);
    w.feature.geometry.radiusMetres = radius;
    return w;
}

TEST(ChartView, ProjectionAndScreenRoundTripClampedAtThePoles) {
    for (double lat = -85.0; lat <= 85.0; lat += 8.5) {
        for (double lon = -180.0; lon < 180.0; lon += 15.0) {
            const GeoPosition back = Unproject(Project({lat, lon}));
            EXPECT_NEAR(back.latitude, lat, 1e-9);
            EXPECT_NEAR(back.longitude, lon, 1e-9);
        }
    }
    EXPECT_NEAR(Project({0.0, 0.0}).y, 0.5, 1e-12);
    EXPECT_NEAR(Project({90.0, 0.0}).y, 0.0, 1e-9);
    EXPECT_NEAR(Project({-90.0, 10.0}).y, 1.0, 1e-9);
    EXPECT_NEAR(Unproject(Project({89.9, 0.0})).latitude, kMercatorMaxLatitude, 1e-9);

    // After pans and zooms, screen and world still map onto each other, a
    // zoom keeps the place under the cursor, and the view never shows past
    // the poles.
    CMercatorView view;
    view.SetViewport(800, 600);
    view.ZoomAt(64.0, 200.0, 150.0);
    const GeoPosition under = view.ToGeo(300.0, 400.0);
    view.ZoomAt(1.7, 300.0, 400.0);
    EXPECT_NEAR(view.ToGeo(300.0, 400.0).latitude, under.latitude, 1e-9);
    EXPECT_NEAR(view.ToGeo(300.0, 400.0).longitude, under.longitude, 1e-9);
    view.Pan(123.0, -45.0);
    const WorldPoint s = view.ToScreen(view.ToWorld(10.0, 20.0));
    EXPECT_NEAR(s.x, 10.0, 1e-6);
    EXPECT_NEAR(s.y, 20.0, 1e-6);
    view.Pan(0.0, 1e9);
    EXPECT_NEAR(view.ToWorld(0.0, 0.0).y, 0.0, 1e-12);
    // Panning round the world wraps.
    view.Pan(view.Scale() * 3.0, 0.0);
    EXPECT_GE(view.Centre().x, 0.0);
    EXPECT_LT(view.Centre().x, 1.0);
}

TEST(ChartModel, ClickLandsOnThePointOrLineBeforeTheAreaAroundItAndAcrossTheAntimeridian) {
    CChartModel chart;
    chart.View().SetViewport(800, 600);
    chart.SetWarnings({
        Warning(u"GA01", GeometryKind::Area, {{54.0, 3.0}, {55.0, 3.0}, {55.0, 5.0}, {54.0, 5.0}}),
        Warning(u"GA02", GeometryKind::Point, {{54.5, 4.0}}),
        Warning(u"GA03", GeometryKind::Line, {{54.2, 3.2}, {54.2, 4.8}}),
        Warning(u"GA04", GeometryKind::Circle, {{50.0, -1.0}}, 5 * kMetresPerNm),
        Warning(u"GA05", GeometryKind::Point, {{-17.0, 179.95}}),
    });
    ASSERT_TRUE(chart.ShowMessage(Id(u"GA01")));
    auto screen = [&](double lat, double lon) {
        return chart.View().ToScreen(Project({lat, lon}));
    };
    auto hit = [&](WorldPoint at) {
        const auto id = chart.HitTest(at.x, at.y);
        return id ? id->code : std::u16string(u"-");
    };
    // The point, just off it, the line, inside the area only, outside all.
    EXPECT_EQ(hit(screen(54.5, 4.0)), u"GA02");
    EXPECT_EQ(hit({screen(54.5, 4.0).x + 4.0, screen(54.5, 4.0).y}), u"GA02");
    EXPECT_EQ(hit({screen(54.2, 4.5).x, screen(54.2, 4.5).y - 3.0}), u"GA03");
    EXPECT_EQ(hit(screen(54.8, 3.5)), u"GA01");
    EXPECT_EQ(hit(screen(56.0, 4.0)), u"-");
    // The circle is its outline: inside it, and on its edge 5 NM north.
    ASSERT_TRUE(chart.ShowMessage(Id(u"GA04")));
    EXPECT_EQ(hit(screen(50.03, -1.0)), u"GA04");
    EXPECT_EQ(hit(screen(50.0 + 5.0 / 60.0, -1.0)), u"GA04");
    EXPECT_EQ(hit(screen(50.2, -1.0)), u"-");
    // A point just west of 180 E, seen from across the meridian, lies in
    // the world copy to the west.
    chart.View().Show(Project({-17.0, -179.9}), 65536.0);
    const WorldPoint west = chart.View().ToScreen(Project({-17.0, 179.95}), -1);
    EXPECT_NEAR(west.x, 400.0 - 0.15 / 360.0 * 65536.0, 1e-6);
    EXPECT_EQ(hit(west), u"GA05");
}

TEST(ChartModel, ShowsWhatTheExplorerListsLessExpiredTheChosenAlwaysAndDistancesFromOwnPosition) {
    CChartModel chart;
    std::vector<ChartWarning> warnings = {
        Warning(u"GA01", GeometryKind::Point, {{54.0, 3.0}}),
        Warning(u"GA02", GeometryKind::Point, {{54.0, 4.0}}),
        Warning(u"GB03", GeometryKind::Point, {{54.0, 5.0}}),
        Warning(u"GD04", GeometryKind::Point, {{54.0, 6.0}}),
        Warning(u"GA05", GeometryKind::Area, {{53.0, 3.0}, {53.0, 4.0}, {52.0, 4.0}}),
        Warning(u"GA06", GeometryKind::Point, {{54.0, 7.0}}),
        Warning(u"GA07", GeometryKind::Point, {{91.0, 7.0}}),  // not drawable
    };
    warnings[1].repeat = true;
    warnings[2].selected = false;
    warnings[3].cancelled = true;
    warnings[5].feature.text = u"WRECK.\r\nCANCEL THIS MSG 241200 UTC APR 24.";
    chart.SetWarnings(warnings);
    auto shown = [&] {
        std::u16string codes;
        for (const CChartModel::Shape& s : chart.Shapes()) {
            codes += chart.Warnings()[s.warning].feature.geometry.identity.code + u" ";
        }
        return codes;
    };
    // Areas are drawn first, under the points.
    EXPECT_EQ(shown(), u"GA05 GA01 GA06 ");
    chart.SetNow({2024, 4, 24, 12, 0, 0});
    EXPECT_EQ(shown(), u"GA05 GA01 ");
    chart.SetHideRepeats(false);
    chart.SetShowAll(true);
    EXPECT_EQ(shown(), u"GA05 GA01 GA02 GB03 ");
    chart.SetHideRepeats(true);
    chart.SetShowAll(false);
    EXPECT_TRUE(chart.ShowMessage(Id(u"GD04")));
    EXPECT_EQ(shown(), u"GA05 GA01 GD04 ");
    EXPECT_NEAR(Unproject(chart.View().Centre()).longitude, 6.0, 1e-9);
    EXPECT_FALSE(chart.ShowMessage(Id(u"GA99")));
    EXPECT_FALSE(chart.ShowMessage(Id(u"GA07")));

    EXPECT_TRUE(std::isnan(chart.Shapes().front().distanceMetres));
    // A degree of latitude south of GA01 is 60 NM; inside the area 0; half
    // a degree north of its edge along 53 N, 30 NM.
    chart.SetOwnPosition(GeoPosition{53.0, 3.0});
    for (const CChartModel::Shape& s : chart.Shapes()) {
        const std::u16string& code = chart.Warnings()[s.warning].feature.geometry.identity.code;
        if (code == u"GA01") {
            EXPECT_NEAR(s.distanceMetres / kMetresPerNm, 60.0, 0.1);
        }
    }
    EXPECT_NEAR(DistanceToGeometryMetres({52.9, 3.5}, warnings[4].feature.geometry), 0.0, 1e-9);
    EXPECT_NEAR(DistanceToGeometryMetres({53.5, 3.5}, warnings[4].feature.geometry) / kMetresPerNm,
                30.0, 0.1);
    const WarningGeometry circle =
        Warning(u"GA08", GeometryKind::Circle, {{50.0, 0.0}}, 2 * kMetresPerNm).feature.geometry;
    EXPECT_NEAR(DistanceToGeometryMetres({50.1, 0.0}, circle) / kMetresPerNm, 4.0, 0.05);

    // A station on two frequencies at one place is one mast with both letters.
    chart.SetStations({{u"E", u"Niton", {50.58, -1.25}},
                       {u"I", u"Niton", {50.58, -1.25}},
                       {u"K", u"Niton", {50.60, -1.30}}});
    ASSERT_EQ(chart.Stations().size(), 2u);
    EXPECT_EQ(chart.Stations()[0].letters, u"E/I");
}

TEST(WarningExpiry, CancelTimesInTheTextsFormsAndNoneElsewhere) {
    const LocalTime received{2024, 12, 28, 10, 0, 0};
    struct Case {
        std::u16string text;
        bool found;
        LocalTime cancel;
    };
    const Case cases[] = {
        {u"CANCEL THIS MSG 241200 UTC MAR 24.", true, {2024, 3, 24, 12, 0, 0}},
        {u"cancel this message\r\n010930Z JAN 2025", true, {2025, 1, 1, 9, 30, 0}},
        {u"CANCEL THIS MSG 301800 UTC.", true, {2024, 12, 30, 18, 0, 0}},
        {u"CANCEL THIS MSG 021800 UTC.", true, {2025, 1, 2, 18, 0, 0}},
        {u"CANCEL THIS MSG 310000 UTC FEB 24.", false, {}},
        {u"CANCEL NAVAREA I 123/24. CANCEL WZ 412.", false, {}},
        {u"CANCEL THIS MSG ON COMPLETION.", false, {}},
    };
    for (const Case& c : cases) {
        LocalTime cancel;
        EXPECT_EQ(CancelTimeOf(c.text, received, cancel), c.found)
            << std::string(c.text.begin(), c.text.end());
        if (c.found) {
            EXPECT_EQ(cancel, c.cancel) << std::string(c.text.begin(), c.text.end());
        }
    }
}

// A basemap file of one coarse land ring and one detailed coastline.
std::vector<std::byte> SmallBasemap() {
    std::vector<std::byte> out;
    auto u8 = [&](uint32_t v) { out.push_back(static_cast<std::byte>(v & 0xff)); };
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            u8(v >> (8 * i));
        }
    };
    for (char c : std::string("WLCOAST1")) {
        u8(static_cast<uint32_t>(c));
    }
    u32(2);
    u8(0), u8(0), u8(0), u8(0), u32(1), u32(3);
    u8(1), u8(1), u8(0), u8(0), u32(1), u32(2);
    u32(3);
    for (int32_t v : {0, 0, 1000000, 0, 1000000, 1000000}) {
        u32(static_cast<uint32_t>(v));
    }
    u32(2);
    for (int32_t v : {-180000000, -90000000, 180000000, 90000000}) {
        u32(static_cast<uint32_t>(v));
    }
    return out;
}

TEST(CoastlineMap, ReadsTheShippedBasemapAndRefusesEveryDamagedFileWhole) {
    CCoastlineMap map;
    std::string error;
    ASSERT_TRUE(map.LoadFile(WAVELORE_SOURCE_DIR "/res/coastlines.bin", error)) << error;
    EXPECT_GT(map.Land(CCoastlineMap::kCoarse).size(), 200u);
    EXPECT_GT(map.Coast(CCoastlineMap::kDetailed).size(), 1000u);

    std::vector<std::byte> good = SmallBasemap();
    ASSERT_TRUE(map.Load(good, error)) << error;
    ASSERT_EQ(map.Land(CCoastlineMap::kCoarse).size(), 1u);
    EXPECT_EQ(map.Land(CCoastlineMap::kCoarse)[0].maxLatitude, 1.0);
    EXPECT_EQ(map.Coast(CCoastlineMap::kDetailed)[0].points[1], (GeoPosition{90.0, 180.0}));

    // Every shorter file, a byte too many, and damaged fields: an error,
    // and nothing of the file kept.
    for (size_t length = 0; length < good.size(); ++length) {
        ASSERT_FALSE(map.Load(std::span(good).first(length), error)) << length;
        EXPECT_TRUE(map.Empty());
        EXPECT_FALSE(error.empty());
    }
    std::vector<std::byte> longer = good;
    longer.push_back(std::byte{0});
    EXPECT_FALSE(map.Load(longer, error));
    auto damaged = [&](size_t at, uint8_t value) {
        std::vector<std::byte> bad = good;
        bad[at] = std::byte{value};
        const bool loaded = map.Load(bad, error);
        return loaded || !map.Empty() || error.empty();
    };
    EXPECT_FALSE(damaged(0, 'X'));    // magic
    EXPECT_FALSE(damaged(8, 17));     // layer count
    EXPECT_FALSE(damaged(12, 2));     // level
    EXPECT_FALSE(damaged(13, 2));     // kind
    EXPECT_FALSE(damaged(19, 0xff));  // part count past the file
    EXPECT_FALSE(damaged(20, 2));     // points the file does not hold
    EXPECT_FALSE(damaged(36, 2));     // parts that do not add up
    EXPECT_FALSE(damaged(63, 0x7f));  // latitude out of range
    EXPECT_FALSE(map.LoadFile("no such basemap.bin", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace wavelore
