// The position reader: the forms and the lookalikes in one table, and the
// warning corpus against the targets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geo/position_reader.h"
#include "support/fixtures.h"
#include "support/position_corpus.h"

namespace wavelore {
namespace {

struct Case {
    const char16_t* text;
    // What is read, as "kind lat,lon lat,lon ..." per geometry, degrees to
    // four decimals, a circle's radius in metres after its kind; "" for
    // nothing at all.
    std::vector<std::string> read;
};

std::string Describe(const WarningGeometry& g) {
    std::string text = GeometryKindName(g.kind);
    if (g.kind == GeometryKind::Circle) {
        text += ' ' + std::to_string(std::lround(g.radiusMetres));
    }
    for (const GeoPosition& p : g.positions) {
        char position[40];
        std::snprintf(position, sizeof position, " %.4f,%.4f", p.latitude, p.longitude);
        text += position;
    }
    return text;
}

TEST(PositionReader, FormsAndLookalikes) {
    const Case cases[] = {
        // Forms of one position.
        {u"WRECK 54-12.5N 003-40.2E.", {"point 54.2083,3.6700"}},
        {u"WRECK 54-12N 003-40E", {"point 54.2000,3.6667"}},
        {u"WRECK 5412.5N 00340.2E", {"point 54.2083,3.6700"}},
        {u"WRECK 54 12.5N 003 40.2E", {"point 54.2083,3.6700"}},
        {u"WRECK 54-12.50N 003-40.25W", {"point 54.2083,-3.6708"}},
        {u"WRECK 54-12-30N 003-40-15E", {"point 54.2083,3.6708"}},
        {u"WRECK 541230N 0034015E", {"point 54.2083,3.6708"}},
        {u"LOW 60N 020W, 34.5S 018.25E", {"point 60.0000,-20.0000", "point -34.5000,18.2500"}},
        {u"WRECK 54°12.5'N 003°40.2'E", {"point 54.2083,3.6700"}},
        {u"wreck 54-12,5 n 003-40,2 e", {"point 54.2083,3.6700"}},
        {u"WRECK N54-12.5 E003-40.2", {"point 54.2083,3.6700"}},
        {u"\u6C88\u8239 \u5317\u7DEF\uFF13\uFF14\u5EA6\uFF12\uFF11\uFF0E\uFF15\u5206"
         u"\u3000\u6771\u7D4C\uFF11\uFF13\uFF13\u5EA6\uFF14\uFF15\uFF0E\uFF19\u5206",
         {"point 34.3583,133.7650"}},
        // Split over a line end, after a time, beside a serial.
        {u"121530 UTC APR 24\r\nNAV WARN 231/24 WRECK IN 54-12.5N\r\n003-40.2E.",
         {"point 54.2083,3.6700"}},
        // Lists and what the words around them make of them.
        {u"AREA BOUNDED BY\r\nA. 54-10N 003-20E\r\nB. 54-20N 003-20E\r\nC. 54-20N 003-40E\r\n"
         u"D. 54-10N 003-40E",
         {"area 54.1667,3.3333 54.3333,3.3333 54.3333,3.6667 54.1667,3.6667"}},
        {u"AREA BOUNDED BY 54N 003E, 55N 003E, 55N 004E AND 54N 003E.",
         {"area 54.0000,3.0000 55.0000,3.0000 55.0000,4.0000"}},
        {u"CABLE OPERATIONS BETWEEN 54-10N 003-20E AND 54-20N 003-40E.",
         {"line 54.1667,3.3333 54.3333,3.6667"}},
        {u"TOW FROM 54N 003E TO 55N 004E.", {"line 54.0000,3.0000 55.0000,4.0000"}},
        {u"BUOY MOVED FROM 54N 003E TO 55N 004E.",
         {"point 54.0000,3.0000", "point 55.0000,4.0000"}},
        {u"FIRING WITHIN 2 NM OF 54N 003E.", {"circle 3704 54.0000,3.0000"}},
        {u"DETONATION 54N 003E WITHIN A RADIUS OF 500 METRES.", {"circle 500 54.0000,3.0000"}},
        {u"WRECKS:\r\nA. 54N 003E\r\nB. 55N 004E",
         {"point 54.0000,3.0000", "point 55.0000,4.0000"}},
        {u"AREAS:\r\n1. 54N 003E, 55N 003E, 55N 004E.\r\n2. 56N 005E, 57N 005E, 57N 006E.",
         {"area 54.0000,3.0000 55.0000,3.0000 55.0000,4.0000",
          "area 56.0000,5.0000 57.0000,5.0000 57.0000,6.0000"}},
        {u"1. WRECK 54N 003E.\r\n2. GUNNERY IN AREA BOUNDED BY 55N 003E, 55N 004E, 56N 004E.",
         {"point 54.0000,3.0000", "area 55.0000,3.0000 55.0000,4.0000 56.0000,4.0000"}},
        {u"AREA BOUNDED BY 54-10N, 54-20N, 003-20E AND 003-40E.",
         {"area 54.1667,3.3333 54.1667,3.6667 54.3333,3.6667 54.3333,3.3333"}},
        // The radius of a storm's winds is no circle round the next position.
        {u"LOW 21.5N 128.3E. RADIUS OF 50 KT WINDS 90 NM.\r\nFORECAST 23.4N 126.0E.",
         {"point 21.5000,128.3000", "point 23.4000,126.0000"}},
        // Lookalikes.
        {u"221530 UTC APR 24 NAVAREA I 231/24 CANCEL 198/24. 2024-04-22 22.04.24", {}},
        {u"NAVTEX 518 KHZ 490 KHZ 4209.5 KHZ VHF CH 16 MMSI 002320001 IMO 9123456", {}},
        {u"TEL +44 1234 567890, FAX 0044 20 7946 0000 E-MAIL", {}},
        {u"WIND N 5, S4, W5 LATER. 3 S 10 E. 12 NM N OF THE LIGHT. 5 NM RANGE", {}},
        {u"1234-54N 003E 231/54N 003E 12:54N 003E 5.54.10N 003E", {}},
        {u"BETWEEN LATITUDES 50N AND 51N. 95N 003E 54-75N 003E 54-10N 190E", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> read;
        for (const WarningGeometry& g : ReadPositions(c.text)) {
            read.push_back(Describe(g));
        }
        EXPECT_EQ(read, c.read) << test::Narrow(c.text);
    }
}

TEST(PositionReader, GeometriesCarryTheMessageAndWhereTheyStand) {
    const WarningIdentity id{u"GA12", u"Navigational warnings", u"Niton", u"2024-04-22",
                             u"15:30:00"};
    const std::u16string text = u"1. WRECK 54N 003E.\r\n2. CABLE BETWEEN 55N 003E AND 55N 004E.";
    const std::vector<WarningFeature> features = ReadFeatures(text, id);
    ASSERT_EQ(features.size(), 2u);
    for (const WarningFeature& f : features) {
        EXPECT_EQ(f.geometry.identity, id);
        EXPECT_EQ(f.text, text);
    }
    EXPECT_EQ(text.substr(features[0].geometry.textBegin,
                          features[0].geometry.textEnd - features[0].geometry.textBegin),
              u"54N 003E");
    EXPECT_EQ(text.substr(features[1].geometry.textBegin,
                          features[1].geometry.textEnd - features[1].geometry.textBegin),
              u"55N 003E AND 55N 004E");
}

// The corpus's 253 warnings in the broadcast forms: every position found,
// none read from a time, date, serial or number, and the geometries right
// but for the Japanese area whose words the reader does not know.
TEST(PositionReader, CorpusMeetsTheTargets) {
    std::string error;
    const std::vector<test::CorpusWarning> corpus =
        test::LoadPositionCorpus(test::PositionCorpusPath(), error);
    ASSERT_GE(corpus.size(), 200u) << error;
    const test::CorpusScore score = test::ScorePositionReader(corpus);
    std::string faults;
    for (const std::string& fault : score.faults) {
        faults += fault + '\n';
    }
    std::printf("recall %.2f %%, precision %.2f %%, geometries right %zu of %zu\n",
                100.0 * score.Recall(), 100.0 * score.Precision(), score.rightGeometries,
                score.expectedGeometries);
    EXPECT_GE(score.Recall(), 0.98) << faults;
    EXPECT_EQ(score.falsePositionsInThem, 0u) << faults;
    EXPECT_GE(score.Precision(), 0.99) << faults;
    EXPECT_GE(score.rightGeometries + 1, score.expectedGeometries) << faults;
}

}  // namespace
}  // namespace wavelore
