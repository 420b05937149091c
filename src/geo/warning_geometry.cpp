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

// Metres east and north of an origin on a flat projection round it.
struct Flat {
    double x;
    double y;
};

Flat Project(GeoPosition origin, GeoPosition p) {
    const double east = WrapLongitude(p.longitude - origin.longitude);
    return {east * kRadians * kEarthRadiusMetres * std::cos(origin.latitude * kRadians),
            (p.latitude - origin.latitude) * kRadians * kEarthRadiusMetres};
}

// From the origin (0, 0) to the segment a-b.
double SegmentDistance(Flat a, Flat b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 > 0.0 ? std::clamp(-(a.x * dx + a.y * dy) / length2, 0.0, 1.0) : 0.0;
    return std::hypot(a.x + t * dx, a.y + t * dy);
}

}  // namespace

double DistanceToMetres(const WarningGeometry& geometry, GeoPosition from) {
    const std::vector<GeoPosition>& p = geometry.positions;
    if (p.empty()) {
        return std::numeric_limits<double>::infinity();
    }
    if (geometry.kind == GeometryKind::Circle) {
        return std::max(0.0, DistanceMetres(from, p.front()) - geometry.radiusMetres);
    }
    if (p.size() == 1 || geometry.kind == GeometryKind::Point) {
        double nearest = std::numeric_limits<double>::infinity();
        for (const GeoPosition& q : p) {
            nearest = std::min(nearest, DistanceMetres(from, q));
        }
        return nearest;
    }
    std::vector<Flat> flat;
    for (const GeoPosition& q : p) {
        flat.push_back(Project(from, q));
    }
    const bool ring = geometry.kind == GeometryKind::Area;
    double nearest = std::numeric_limits<double>::infinity();
    bool inside = false;
    const size_t edges = ring ? flat.size() : flat.size() - 1;
    for (size_t i = 0; i < edges; ++i) {
        const Flat a = flat[i];
        const Flat b = flat[(i + 1) % flat.size()];
        nearest = std::min(nearest, SegmentDistance(a, b));
        // Even-odd rule: a ray from the origin towards +x.
        if ((a.y > 0.0) != (b.y > 0.0) && a.x + (b.x - a.x) * (0.0 - a.y) / (b.y - a.y) > 0.0) {
            inside = !inside;
        }
    }
    return ring && inside ? 0.0 : nearest;
}

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

}  // namespace wavelore
