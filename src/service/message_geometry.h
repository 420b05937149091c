#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wavelore::service {

// A place a message speaks of, as a position reader finds it in the text.
struct GeoPoint {
    double latitude = 0.0;   // degrees, north positive
    double longitude = 0.0;  // degrees, east positive
};

struct MessageGeometry {
    enum class Kind { Point, Line, Area, Circle };

    Kind kind = Kind::Point;
    // Point and Circle: one point (a circle's centre); Line: two or more in
    // order; Area: the corners in order, not repeated at the end.
    std::vector<GeoPoint> points;
    double radiusNm = 0.0;  // Circle only
};

// "point", "line", "area", "circle": as stored and in the JSON API; Point
// for any other name.
std::string_view GeometryKindName(MessageGeometry::Kind kind);
MessageGeometry::Kind GeometryKindOfName(std::string_view name);

// The seam where a position reader plugs in: the text of a message in,
// the geometries it names out (none when it names no place). The store
// runs it whenever a message's kept text changes; a service without a
// reader stores no positions.
using PositionReader = std::function<std::vector<MessageGeometry>(std::u16string_view text)>;

// Geometry coordinates as stored: a GeoJSON array of [longitude, latitude]
// pairs, and back (false for anything else).
std::string CoordinatesJson(const std::vector<GeoPoint>& points);
bool ParseCoordinatesJson(std::string_view text, std::vector<GeoPoint>& points);

// The receiver's own position reader (the coordinators' forms of
// positions, points, lines, areas and circles) behind that seam.
PositionReader WarningPositionReader();

}  // namespace wavelore::service
