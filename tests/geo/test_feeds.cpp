// What the navigation programs are handed: GeoJSON, GPX, WPL sentences,
// the atomic file rewrite, and own position from RMC.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "common/nmea_checksum.h"
#include "geo/atomic_file.h"
#include "geo/feed_fields.h"
#include "geo/geojson_writer.h"
#include "geo/gpx_writer.h"
#include "geo/position_reader.h"
#include "geo/position_sentences.h"
#include "support/fixtures.h"
#include "support/process_runner.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;

const WarningIdentity kIdentity{u"GA12", u"Navigational warnings", u"Niton", u"2024-04-22",
                                u"15:30:00"};

// A text that needs every escape: quotes, backslash, markup, CR LF, a tab,
// a control character, kanji and a lone surrogate.
const std::u16string kAwkward =
    u"SAY \"HI\" C:\\ <A&B> 'Q'\r\n\t\u0001 \u6C88 \xD800\r\nWRECK 54N 003E.";

std::vector<WarningFeature> Features() {
    // A point, an area given clockwise, a circle, and an area across the
    // 180th meridian.
    std::vector<WarningFeature> features = ReadFeatures(kAwkward, kIdentity);
    for (const WarningFeature& f : ReadFeatures(
             u"1. AREA BOUNDED BY 54N 003E, 55N 003E, 55N 004E, 54N 004E.\r\n"
             u"2. WITHIN 2 NM OF 50N 001W.\r\n"
             u"3. AREA BOUNDED BY 20S 178E, 20S 177W, 25S 177W, 25S 178E.",
             WarningIdentity{u"GB34", u"Navigational warnings", u"", u"2024-04-23", u"25:00:00"})) {
        features.push_back(f);
    }
    return features;
}

TEST(Feeds, GeoJsonLongitudeFirstRingsClosedCounterClockwiseTextEscaped) {
    const std::string json = WriteGeoJson(Features());
    EXPECT_TRUE(json.starts_with("{\"type\":\"FeatureCollection\",\"features\":[\n"));
    EXPECT_NE(json.find("{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":"
                        "[3,54]},\"properties\":{\"name\":\"GA12\",\"code\":\"GA12\",\"subject\":"
                        "\"Navigational warnings\",\"station\":\"Niton\",\"time\":"
                        "\"2024-04-22T15:30:00\",\"kind\":\"point\",\"text\":\"SAY \\\"HI\\\" "
                        "C:\\\\ <A&B> 'Q'\\r\\n\\t\\u0001 \xE6\xB2\x88 \xEF\xBF\xBD\\r\\nWRECK "
                        "54N 003E.\"}}"),
              std::string::npos)
        << json;
    // Clockwise in the text, counter-clockwise in the feed; no time from
    // an impossible hour; a message's features numbered.
    EXPECT_NE(
        json.find("{\"type\":\"Polygon\",\"coordinates\":[[[4,54],[4,55],[3,55],[3,54],"
                  "[4,54]]]},\"properties\":{\"name\":\"GB34-1\",\"code\":\"GB34\",\"subject\""
                  ":\"Navigational warnings\",\"station\":\"\",\"kind\":\"area\""),
        std::string::npos)
        << json;
    EXPECT_NE(json.find("\"kind\":\"circle\",\"radius_m\":3704,\"center\":[-1,50]"),
              std::string::npos);
    // Cut at the meridian, each part closed and counter-clockwise.
    EXPECT_NE(json.find("{\"type\":\"MultiPolygon\",\"coordinates\":[[[[178,-25],[180,-25],"
                        "[180,-20],[178,-20],[178,-25]]],[[[-180,-25],[-177,-25],[-177,-20],"
                        "[-180,-20],[-180,-25]]]]}"),
              std::string::npos)
        << json;
    EXPECT_TRUE(json.ends_with("\n]}\n"));
    EXPECT_EQ(WriteGeoJson({}), "{\"type\":\"FeatureCollection\",\"features\":[\n]}\n");
}

TEST(Feeds, CircleOutlineAndLinesAcrossTheAntimeridian) {
    const GeoPosition centre{59.9, 179.95};
    const std::vector<GeoPosition> ring = CircleOutline(centre, 5000.0, 64);
    ASSERT_EQ(ring.size(), 65u);
    EXPECT_EQ(ring.front(), ring.back());
    for (const GeoPosition& p : ring) {
        EXPECT_NEAR(DistanceMetres(centre, p), 5000.0, 1.0);
        EXPECT_LE(std::abs(p.longitude), 180.0);
    }
    EXPECT_TRUE(IsCounterClockwise({ring.begin(), ring.end() - 1}));
    // A track west across the meridian and back.
    const auto pieces = SplitAtAntimeridian({{10, 179}, {12, -179}, {14, 179}}, false);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0], (std::vector<GeoPosition>{{10, 179}, {11, 180}}));
    EXPECT_EQ(pieces[1], (std::vector<GeoPosition>{{11, -180}, {12, -179}, {13, -180}}));
    EXPECT_EQ(pieces[2], (std::vector<GeoPosition>{{13, 180}, {14, 179}}));
}

TEST(Feeds, GpxWaypointsBeforeRoutesTextEscapedWellFormed) {
    const std::string gpx = WriteGpx(Features());
    EXPECT_NE(gpx.find("<wpt lat=\"54\" lon=\"3\"><time>2024-04-22T15:30:00</time><name>GA12</name>"
                       "<cmt>Navigational warnings, Niton</cmt><desc>SAY &quot;HI&quot; C:\\ "
                       "&lt;A&amp;B&gt; &apos;Q&apos;\n\t\xEF\xBF\xBD \xE6\xB2\x88 \xEF\xBF\xBD\n"
                       "WRECK 54N 003E.</desc><src>Niton</src><type>Navigational warnings</type>"
                       "</wpt>"),
              std::string::npos)
        << gpx;
    // The circle's centre as a waypoint, without the impossible time.
    EXPECT_NE(gpx.find("<wpt lat=\"50\" lon=\"-1\"><name>GB34-2</name><cmt>Navigational warnings, "
                       "radius 3704 m</cmt>"),
              std::string::npos)
        << gpx;
    // The area as a closed route; 180 degrees east written as -180.
    EXPECT_NE(gpx.find("<rtept lat=\"54\" lon=\"3\"/>\n<rtept lat=\"54\" lon=\"4\"/>\n</rte>"),
              std::string::npos);
    EXPECT_EQ(gpx.find("lon=\"180\""), std::string::npos);
    EXPECT_LT(gpx.rfind("<wpt "), gpx.find("<rte>"));

    test::ScopedTempDir dir;
    test::WriteFile("warnings.gpx", gpx);
    const test::ProcessResult lint = test::RunProcess("xmllint --noout warnings.gpx");
    if (lint.exitCode == 127) {
        GTEST_SKIP() << "xmllint is not installed";
    }
    EXPECT_EQ(lint.exitCode, 0) << lint.err;
}

TEST(Feeds, WaypointSentencesNamedAfterTheMessage) {
    EXPECT_EQ(WaypointSentence({54.208333333, 3.67}, "GA12"),
              "$CRWPL,5412.50,N,00340.20,E,GA12*4A\r\n");
    // 59.999 minutes round up to the next degree; south and west; the
    // reserved characters of a name replaced, a long name cut at 82.
    EXPECT_TRUE(WaypointSentence({-33.99999999, -70.5}, "A,B*C")
                    .starts_with("$CRWPL,3400.00,S,07030.00,W,A_B_C*"));
    EXPECT_EQ(WaypointSentence({0, 0}, std::string(100, 'X')).size(), 82u);

    const std::vector<WarningGeometry> geometries = ReadPositions(
        u"1. WITHIN 1 NM OF 54N 003E.\r\n2. CABLE BETWEEN 55N 003E AND 55N 004E.", kIdentity);
    const std::vector<std::string> sentences = WarningWaypointSentences(geometries);
    ASSERT_EQ(sentences.size(), 3u);
    EXPECT_TRUE(sentences[0].starts_with("$CRWPL,5400.00,N,00300.00,E,GA12-1*"));
    EXPECT_TRUE(sentences[2].starts_with("$CRWPL,5500.00,N,00400.00,E,GA12-3*"));
    for (const std::string& s : sentences) {
        const size_t star = s.find('*');
        EXPECT_EQ(s.substr(star + 1, 2), NmeaChecksum(s.substr(1, star - 1))) << s;
    }
    EXPECT_EQ(
        WarningWaypointSentences(ReadPositions(u"WRECK 54N 003E", kIdentity))[0].substr(28, 4),
        "GA12");
}

std::string Sentence(const std::string& body) {
    return '$' + body + '*' + NmeaChecksum(body) + "\r\n";
}

TEST(Feeds, OwnPositionOnlyFromAValidCheckedRmc) {
    const std::optional<OwnFix> fix =
        ParseRmc("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n");
    ASSERT_TRUE(fix);
    EXPECT_NEAR(fix->position.latitude, 48.1173, 1e-6);
    EXPECT_NEAR(fix->position.longitude, 11.516667, 1e-6);
    EXPECT_EQ(fix->utcTime, "123519");
    EXPECT_EQ(fix->date, "230394");
    EXPECT_EQ(fix->speedKnots, 22.4);
    EXPECT_EQ(fix->courseDegrees, 84.4);

    // NMEA 4.1: mode A, navigational status S (safe).
    const std::optional<OwnFix> gn =
        ParseRmc(Sentence("GNRMC,083559.00,A,3456.1234,S,13845.6789,W,0.02,,010526,,,A,S"));
    ASSERT_TRUE(gn);
    EXPECT_NEAR(gn->position.latitude, -(34 + 56.1234 / 60), 1e-9);
    EXPECT_NEAR(gn->position.longitude, -(138 + 45.6789 / 60), 1e-9);
    EXPECT_FALSE(gn->courseDegrees);
    EXPECT_TRUE(ParseRmc(Sentence("GPRMC,1,A,4807.038,N,01131.000,E,,,,,")) != std::nullopt);

    for (const std::string& bad : {
             std::string("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6B"),
             std::string("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"),
             std::string("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"),
             Sentence("GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"),
             Sentence("GNRMC,123519,A,4807.038,N,01131.000,E,,,230394,,,N"),
             Sentence("GNRMC,123519,A,4807.038,N,01131.000,E,,,230394,,,A,V"),
             Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
             Sentence("GPRMC,123519,A,9107.038,N,01131.000,E,,,,,"),
             Sentence("GPRMC,123519,A,4860.000,N,01131.000,E,,,,,"),
             Sentence("GPRMC,123519,A,4807.038,X,01131.000,E,,,,,"),
             Sentence("GPRMC,123519,A,4807.038,N,1131.000,E,,,,,"),
             Sentence("GPRMC,123519,A,,,,,,,,,"),
             std::string("$*00"),
             std::string(""),
         }) {
        EXPECT_FALSE(ParseRmc(bad)) << bad;
    }
}

TEST(Feeds, DistanceFromOwnPositionToEachKindOfWarning) {
    constexpr double kMile = 1852.0;
    const auto read = [](const char16_t* text) { return ReadPositions(text, kIdentity).at(0); };
    const WarningGeometry area = read(u"AREA BOUNDED BY 54N 003E, 55N 003E, 55N 004E, 54N 004E.");
    const WarningGeometry line = read(u"CABLE BETWEEN 54N 003E AND 54N 004E.");
    const WarningGeometry circle = read(u"WITHIN 5 NM OF 54N 003E.");
    const WarningGeometry point = read(u"WRECK 54N 003E.");
    // Inside the area, on its edge's far side, and off a line's middle.
    EXPECT_EQ(DistanceToGeometryMetres({54.5, 3.5}, area), 0.0);
    EXPECT_NEAR(DistanceToGeometryMetres({53.5, 3.5}, area), 30.0 * kMile, 0.2 * kMile);
    EXPECT_NEAR(DistanceToGeometryMetres({53.5, 3.5}, line), 30.0 * kMile, 0.2 * kMile);
    // Beyond an end: to that end, within the flat projection's 0.5 %.
    const double toEnd = DistanceMetres({54.5, 2.0}, {54, 3});
    EXPECT_NEAR(DistanceToGeometryMetres({54.5, 2.0}, line), toEnd, 0.005 * toEnd);
    EXPECT_NEAR(DistanceToGeometryMetres({53.5, 3.0}, circle), 25.0 * kMile, 0.2 * kMile);
    EXPECT_EQ(DistanceToGeometryMetres({54.01, 3.0}, circle), 0.0);
    EXPECT_EQ(DistanceToGeometryMetres({54.5, 3.0}, point), DistanceMetres({54.5, 3.0}, {54, 3}));
    // Across the 180th meridian the short way round.
    const WarningGeometry pacific =
        read(u"AREA BOUNDED BY 20S 178E, 20S 177W, 25S 177W, 25S 178E.");
    EXPECT_EQ(DistanceToGeometryMetres({-22.0, 180.0}, pacific), 0.0);
    EXPECT_NEAR(DistanceToGeometryMetres({-22.0, -176.0}, pacific),
                1.0 * 60 * kMile * std::cos(0.384), 2.0 * kMile);
}

TEST(Feeds, AtomicRewriteLeavesTheOldFileOrTheNewOneAndNothingElse) {
    test::ScopedTempDir dir;
    ASSERT_FALSE(RewriteFileAtomically("warnings.geojson", "first"));
    ASSERT_EQ(::chmod("warnings.geojson", 0640), 0);
    ASSERT_FALSE(RewriteFileAtomically(dir.Path() / "warnings.geojson", "second"));
    EXPECT_EQ(test::ReadFile("warnings.geojson"), "second");
    struct stat st {};
    ASSERT_EQ(::stat("warnings.geojson", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    EXPECT_TRUE(RewriteFileAtomically("missing/warnings.gpx", "x"));
    fs::create_directory("taken");
    EXPECT_TRUE(RewriteFileAtomically("taken", "x"));
    EXPECT_TRUE(RewriteFileAtomically("taken/", "x"));
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(".")) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"taken", "warnings.geojson"}));
    EXPECT_TRUE(fs::is_empty("taken"));
}

}  // namespace
}  // namespace wavelore
