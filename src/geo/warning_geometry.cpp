#include "geo/warning_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace wavelore {

namespace {

constexpr double kEarthRadiusMetres = 6371008.8;  // IUGG mean radius
constexpr double kRadians = std::numbers::pi / 180.0;

double WrapLongitude(double longitude) {
    double wrapped = std::fmod(longitude + 180.0, 360.0);
    if (wrapped < 0.0) {
        wrapped += 360.0;
    }
    return wrapped - 180.0;
}

// Longitude of to, moved by whole turns to within half a turn of from.
double NearLongitude(double from, double to) {
    return from + WrapLongitude(to - from);
}

// The initial bearing from one position to another, in radians.
double BearingRadians(GeoPosition from, GeoPosition to) {
    const double phi1 = from.latitude * kRadians;
    const double phi2 = to.latitude * kRadians;
    const double dLon = (to.longitude - from.longitude) * kRadians;
    return std::atan2(
        std::sin(dLon) * std::cos(phi2),
        std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLon));
}

// To the nearest point of the great-circle segment a-b: the cross-track
// distance where the foot of the perpendicular falls within the segment,
// else the nearer end.
double DistanceToSegmentMetres(GeoPosition p, GeoPosition a, GeoPosition b) {
    const double toA = DistanceMetres(a, p);
    const double toB = DistanceMetres(b, p);
    const double length = DistanceMetres(a, b);
    if (length <= 0.0) {
        return toA;
    }
    const double angular = toA / kEarthRadiusMetres;
    const double crossTrack = std::asin(std::clamp(
        std::sin(angular) * std::sin(BearingRadians(a, p) - BearingRadians(a, b)), -1.0, 1.0));
    const double alongTrack =
        std::acos(std::clamp(std::cos(angular) / std::cos(crossTrack), -1.0, 1.0)) *
        kEarthRadiusMetres;
    const bool ahead = std::cos(BearingRadians(a, p) - BearingRadians(a, b)) > 0.0;
    if (ahead && alongTrack <= length) {
        return std::abs(crossTrack) * kEarthRadiusMetres;
    }
    return std::min(toA, toB);
}

// Whether p lies inside a ring, by crossings on the plate carree with the
// ring's longitudes taken the shorter way round from p: right for the
// areas warnings describe, which span a few degrees.
bool InsideRing(GeoPosition p, const std::vector<GeoPosition>& ring) {
    bool inside = false;
    const size_t n = ring.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const double xi = NearLongitude(p.longitude, ring[i].longitude);
        const double xj = NearLongitude(p.longitude, ring[j].longitude);
        const double yi = ring[i].latitude;
        const double yj = ring[j].latitude;
        if ((yi > p.latitude) != (yj > p.latitude) &&
            p.longitude < (xj - xi) * (p.latitude - yi) / (yj - yi) + xi) {
            inside = !inside;
        }
    }
    return inside;
}

}  // namespace

const char* GeometryKindName(GeometryKind kind) {
    switch (kind) {
        case GeometryKind::Point:
            return "point";
        case GeometryKind::Line:
            return "line";
        case GeometryKind::Area:
            return "area";
        case GeometryKind::Circle:
            return "circle";
    }
    return "point";
}

double DistanceMetres(GeoPosition from, GeoPosition to) {
    // Haversine: well conditioned for the short distances that matter most.
    const double dLat = (to.latitude - from.latitude) * kRadians;
    const double dLon = (to.longitude - from.longitude) * kRadians;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(from.latitude * kRadians) * std::cos(to.latitude * kRadians) *
                         std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * kEarthRadiusMetres * std::asin(std::min(1.0, std::sqrt(a)));
}

GeoPosition Destination(GeoPosition from, double bearingDegrees, double metres) {
    const double delta = metres / kEarthRadiusMetres;
    const double theta = bearingDegrees * kRadians;
    const double phi1 = from.latitude * kRadians;
    const double lambda1 = from.longitude * kRadians;
    const double sinPhi2 = std::clamp(
        std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(theta), -1.0,
        1.0);
    const double phi2 = std::asin(sinPhi2);
    const double lambda2 = lambda1 + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(phi1),
                                                std::cos(delta) - std::sin(phi1) * sinPhi2);
    return {phi2 / kRadians, WrapLongitude(lambda2 / kRadians)};
}

std::vector<GeoPosition> CircleOutline(GeoPosition centre, double radiusMetres, int points) {
    points = std::max(points, 3);
    std::vector<GeoPosition> ring;
    ring.reserve(static_cast<size_t>(points) + 1);
    for (int i = 0; i < points; ++i) {
        ring.push_back(Destination(centre, 360.0 - 360.0 * i / points, radiusMetres));
    }
    ring.push_back(ring.front());
    return ring;
}

double DistanceToGeometryMetres(GeoPosition from, const WarningGeometry& geometry) {
    const std::vector<GeoPosition>& points = geometry.positions;
    if (points.empty()) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    switch (geometry.kind) {
        case GeometryKind::Circle:
            return std::max(0.0, DistanceMetres(from, points.front()) - geometry.radiusMetres);
        case GeometryKind::Area:
            if (points.size() >= 3 && InsideRing(from, points)) {
                return 0.0;
            }
            break;
        case GeometryKind::Point:
        case GeometryKind::Line:
            break;
    }
    double nearest = DistanceMetres(from, points.front());
    for (size_t i = 1; i < points.size(); ++i) {
        nearest = std::min(nearest, DistanceToSegmentMetres(from, points[i - 1], points[i]));
    }
    if (geometry.kind == GeometryKind::Area && points.size() >= 3) {
        nearest = std::min(nearest, DistanceToSegmentMetres(from, points.back(), points.front()));
    }
    return nearest;
}

}  // namespace wavelore
