#include "geo/geojson_writer.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "common/utf.h"
#include "geo/feed_fields.h"

namespace wavelore {

namespace {

// A JSON string of UTF-16 text: quotes, backslashes and control characters
// escaped, a lone surrogate as U+FFFD.
std::string JsonString(std::u16string_view text) {
    std::string out = "\"";
    for (const char c : ToUtf8(text)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04X",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + '"';
}

std::string Coordinate(GeoPosition p) {
    return '[' + FeedDegrees(p.longitude) + ',' + FeedDegrees(p.latitude) + ']';
}

std::string CoordinateList(const std::vector<GeoPosition>& path) {
    std::string out = "[";
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) at -O3
    // about a literal before a temporary string.
    for (size_t i = 0; i < path.size(); ++i) {
        if (i != 0) {
            out += ',';
        }
        out += Coordinate(path[i]);
    }
    return out + ']';
}

// A LineString or Polygon, or their Multi form when the antimeridian cuts
// the path into pieces.
std::string PathGeometry(const std::vector<GeoPosition>& path, bool ring) {
    const std::vector<std::vector<GeoPosition>> pieces = SplitAtAntimeridian(path, ring);
    const std::string type = ring ? "Polygon" : "LineString";
    // A polygon's coordinates are its rings; ours have no holes.
    const auto coordinates = [&](const std::vector<GeoPosition>& piece) {
        return ring ? '[' + CoordinateList(piece) + ']' : CoordinateList(piece);
    };
    if (pieces.size() == 1) {
        return "{\"type\":\"" + type + "\",\"coordinates\":" + coordinates(pieces[0]) + '}';
    }
    std::string out = "{\"type\":\"Multi" + type + "\",\"coordinates\":[";
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i != 0) {
            out += ',';
        }
        out += coordinates(pieces[i]);
    }
    return out + "]}";
}

std::string GeometryJson(const WarningGeometry& g) {
    switch (g.kind) {
        case GeometryKind::Point:
            return "{\"type\":\"Point\",\"coordinates\":" + Coordinate(g.positions.front()) + '}';
        case GeometryKind::Line:
            return PathGeometry(g.positions, false);
        case GeometryKind::Area:
        case GeometryKind::Circle:
            return PathGeometry(OutlineOf(g), true);
    }
    return {};
}

}  // namespace

std::string WriteGeoJson(std::span<const WarningFeature> features) {
    const std::vector<NamedFeature> named = DrawableFeatures(features);
    std::string out = "{\"type\":\"FeatureCollection\",\"features\":[";
    for (size_t i = 0; i < named.size(); ++i) {
        const WarningGeometry& g = named[i].feature->geometry;
        const WarningIdentity& id = g.identity;
        out += i == 0 ? "\n" : ",\n";
        out += "{\"type\":\"Feature\",\"geometry\":" + GeometryJson(g) + ",\"properties\":{";
        out += "\"name\":" + JsonString(FromUtf8(named[i].name));
        out += ",\"code\":" + JsonString(id.code);
        out += ",\"subject\":" + JsonString(id.subject);
        out += ",\"station\":" + JsonString(id.station);
        const std::string time = FeedTime(id);
        if (!time.empty()) {
            out += ",\"time\":\"" + time + '"';
        }
        out += ",\"kind\":\"" + std::string(GeometryKindName(g.kind)) + '"';
        if (g.kind == GeometryKind::Circle) {
            char radius[32];
            std::snprintf(radius, sizeof radius, "%ld", std::lround(g.radiusMetres));
            out += ",\"radius_m\":" + std::string(radius) +
                   ",\"center\":" + Coordinate(g.positions.front());
        }
        out += ",\"text\":" + JsonString(named[i].feature->text) + "}}";
    }
    return out + "\n]}\n";
}

}  // namespace wavelore
