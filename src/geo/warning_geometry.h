#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wavelore {

// The nautical mile, by international agreement.
constexpr double kMetresPerNauticalMile = 1852.0;

// A place on the WGS 84 ellipsoid, in decimal degrees: north and east
// positive, latitude -90..90, longitude -180..180.
struct GeoPosition {
    double latitude = 0.0;
    double longitude = 0.0;

    bool operator==(const GeoPosition&) const = default;
};

// Which message a geometry was read from, as the store knows it.
struct WarningIdentity {
    std::u16string code;     // B1B2B3B4, e.g. u"GA12"
    std::u16string subject;  // the subject's name, e.g. u"Navigational warnings"
    std::u16string station;  // the transmitting station's name
    std::u16string date;     // of reception, "YYYY-MM-DD"
    std::u16string time;     // of reception, "HH:MM:SS"

    bool operator==(const WarningIdentity&) const = default;
};

enum class GeometryKind {
    Point,   // one position
    Line,    // a track, cable or route: two or more positions in order
    Area,    // a polygon: three or more positions, not repeating the first
    Circle,  // one position, the centre, and a radius
};

// One geometry read from a message's text.
struct WarningGeometry {
    WarningIdentity identity;
    GeometryKind kind = GeometryKind::Point;
    std::vector<GeoPosition> positions;
    double radiusMetres = 0.0;  // circles only
    // Where in the message's text the positions stand, in UTF-16 units:
    // from the first position's first character to the last one's end.
    size_t textBegin = 0;
    size_t textEnd = 0;
};

// What a feed shows for one geometry: the geometry with its message's text.
struct WarningFeature {
    WarningGeometry geometry;
    std::u16string text;
};

// "point", "line", "area" or "circle": the kind's name in the feeds.
const char* GeometryKindName(GeometryKind kind);

// The great-circle distance between two positions on a sphere of the
// Earth's mean radius, in metres; within 0.5 % of the ellipsoid's.
double DistanceMetres(GeoPosition from, GeoPosition to);

// The great-circle distance from a position to the nearest part of a
// geometry, in metres: 0 inside an area or circle, else to its edge; to a
// line's nearest segment. NaN for a geometry without positions.
double DistanceToGeometryMetres(GeoPosition from, const WarningGeometry& geometry);

// The position reached from a start on a great circle of the given initial
// bearing (degrees clockwise from true north) after a distance in metres.
// The longitude is brought into -180..180.
GeoPosition Destination(GeoPosition from, double bearingDegrees, double metres);

// A circle's outline as a closed ring of points + 1 positions (the last
// repeats the first), counter-clockwise seen from above, that is with the
// bearing falling from 360 to 0 degrees.
std::vector<GeoPosition> CircleOutline(GeoPosition centre, double radiusMetres, int points);

}  // namespace wavelore
