// The position reader on any text, the feeds made of what it reads, and
// the same bytes taken as an NMEA sentence for own position.
//
// Input: UTF-8 text (invalid bytes become U+FFFD).
// Checks: every geometry has the positions its kind needs, all in range,
// a circle a radius above 0, and its place in the text within the text;
// the WPL sentences keep within 82 characters; the feeds end as they
// should; a fix read from the bytes is in range.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/utf.h"
#include "fuzz_input.h"
#include "geo/geojson_writer.h"
#include "geo/gpx_writer.h"
#include "geo/position_reader.h"
#include "geo/position_sentences.h"

using wavelore::fuzz::Require;

namespace {

bool InRange(wavelore::GeoPosition p) {
    return std::abs(p.latitude) <= 90.0 && std::abs(p.longitude) <= 180.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string text = wavelore::FromUtf8(bytes);
    const wavelore::WarningIdentity id{u"GA12", u"Navigational warnings", u"Niton", u"2024-04-22",
                                       u"15:30:00"};
    const std::vector<wavelore::WarningFeature> features = wavelore::ReadFeatures(text, id);
    std::vector<wavelore::WarningGeometry> geometries;
    for (const wavelore::WarningFeature& f : features) {
        const wavelore::WarningGeometry& g = f.geometry;
        const size_t n = g.positions.size();
        switch (g.kind) {
            case wavelore::GeometryKind::Point:
                Require(n == 1, "a point of other than one position");
                break;
            case wavelore::GeometryKind::Circle:
                Require(n == 1 && g.radiusMetres > 0.0, "a circle without centre or radius");
                break;
            case wavelore::GeometryKind::Line:
                Require(n >= 2, "a line of fewer than two positions");
                break;
            case wavelore::GeometryKind::Area:
                Require(n >= 3, "an area of fewer than three positions");
                break;
        }
        for (const wavelore::GeoPosition& p : g.positions) {
            Require(InRange(p), "a position out of range");
        }
        Require(g.textBegin < g.textEnd && g.textEnd <= text.size(), "a place outside the text");
        geometries.push_back(g);
    }
    for (const std::string& s : wavelore::WarningWaypointSentences(geometries)) {
        Require(s.size() <= 82 && s.starts_with("$CRWPL,") && s.ends_with("\r\n"),
                "a WPL sentence out of shape");
    }
    Require(wavelore::WriteGeoJson(features).ends_with("]}\n"), "GeoJSON cut short");
    Require(wavelore::WriteGpx(features).ends_with("</gpx>\n"), "GPX cut short");
    if (const auto fix = wavelore::ParseRmc(bytes)) {
        Require(InRange(fix->position), "own position out of range");
    }
    return 0;
}
