#include "geo/feed_fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include "common/utf.h"

namespace wavelore {

namespace {

// Enough for a circle of a few miles to look round at any zoom a chart
// program offers, and few enough to keep a year of warnings small.
constexpr int kCirclePoints = 64;

bool IsDigits(std::u16string_view text, std::u16string_view shape) {
    if (text.size() != shape.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= u'0' && text[i] <= u'9';
        if (shape[i] == u'9' ? !digit : text[i] != shape[i]) {
            return false;
        }
    }
    return true;
}

// The longitudes of a path made continuous: each within 180 degrees of the
// one before.
std::vector<GeoPosition> Unwrapped(const std::vector<GeoPosition>& path) {
    std::vector<GeoPosition> out = path;
    for (size_t i = 1; i < out.size(); ++i) {
        const double turns = std::round((out[i].longitude - out[i - 1].longitude) / 360.0);
        out[i].longitude -= 360.0 * turns;
    }
    return out;
}

GeoPosition OnMeridian(GeoPosition a, GeoPosition b, double meridian) {
    const double t = (meridian - a.longitude) / (b.longitude - a.longitude);
    return {a.latitude + t * (b.latitude - a.latitude), meridian};
}

// Sutherland-Hodgman against one meridian: the part of the ring east of it
// (east true) or west of it.
std::vector<GeoPosition> ClipRing(const std::vector<GeoPosition>& ring, double meridian,
                                  bool east) {
    std::vector<GeoPosition> out;
    const auto inside = [&](GeoPosition p) {
        return east ? p.longitude >= meridian : p.longitude <= meridian;
    };
    for (size_t i = 0; i < ring.size(); ++i) {
        const GeoPosition a = ring[i];
        const GeoPosition b = ring[(i + 1) % ring.size()];
        if (inside(a)) {
            out.push_back(a);
            if (!inside(b)) {
                out.push_back(OnMeridian(a, b, meridian));
            }
        } else if (inside(b)) {
            out.push_back(OnMeridian(a, b, meridian));
        }
    }
    return out;
}

std::vector<GeoPosition> Shifted(std::vector<GeoPosition> path, double degrees) {
    for (GeoPosition& p : path) {
        p.longitude += degrees;
    }
    return path;
}

std::vector<GeoPosition> Closed(std::vector<GeoPosition> ring) {
    if (!ring.empty()) {
        ring.push_back(ring.front());
    }
    return ring;
}

}  // namespace

bool IsDrawable(const WarningGeometry& geometry) {
    const size_t count = geometry.positions.size();
    const bool enough = geometry.kind == GeometryKind::Line   ? count >= 2
                        : geometry.kind == GeometryKind::Area ? count >= 3
                                                              : count >= 1;
    const bool inRange =
        std::all_of(geometry.positions.begin(), geometry.positions.end(), [](GeoPosition p) {
            return std::abs(p.latitude) <= 90.0 && std::abs(p.longitude) <= 180.0;
        });
    const bool radius = geometry.kind != GeometryKind::Circle ||
                        (geometry.radiusMetres > 0.0 && geometry.radiusMetres <= 2.0e7);
    return enough && inRange && radius;
}

std::string FeedDegrees(double degrees) {
    char text[32];
    const double rounded = std::round(degrees * 1e6) / 1e6;
    const auto result = std::to_chars(text, text + sizeof text, rounded == 0.0 ? 0.0 : rounded,
                                      std::chars_format::fixed, 6);
    std::string out(text, result.ptr);
    out.erase(out.find_last_not_of('0') + 1);
    if (out.back() == '.') {
        out.pop_back();
    }
    return out;
}

std::string FeedTime(const WarningIdentity& identity) {
    if (!IsDigits(identity.date, u"9999-99-99") || !IsDigits(identity.time, u"99:99:99")) {
        return {};
    }
    const std::string date = ToUtf8(identity.date);
    const std::string time = ToUtf8(identity.time);
    const auto number = [](const std::string& text, size_t at, size_t count) {
        return std::stoi(text.substr(at, count));
    };
    const int year = number(date, 0, 4);
    const int month = number(date, 5, 2);
    const int day = number(date, 8, 2);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year == 0 || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && leap ? 1 : 0) || number(time, 0, 2) > 23 ||
        number(time, 3, 2) > 59 || number(time, 6, 2) > 59) {
        return {};
    }
    return date + 'T' + time;
}

std::vector<NamedFeature> DrawableFeatures(std::span<const WarningFeature> features) {
    using Key =
        std::tuple<std::u16string, std::u16string, std::u16string, std::u16string, std::u16string>;
    const auto key = [](const WarningIdentity& id) {
        return Key{id.code, id.subject, id.station, id.date, id.time};
    };
    std::vector<const WarningFeature*> drawable;
    std::map<Key, int> totals;
    for (const WarningFeature& f : features) {
        if (IsDrawable(f.geometry)) {
            drawable.push_back(&f);
            ++totals[key(f.geometry.identity)];
        }
    }
    std::map<Key, int> seen;
    std::vector<NamedFeature> named;
    for (const WarningFeature* f : drawable) {
        const Key k = key(f->geometry.identity);
        const std::string code = ToUtf8(f->geometry.identity.code);
        named.push_back({f, totals[k] == 1 ? code : code + '-' + std::to_string(++seen[k])});
    }
    return named;
}

std::vector<std::vector<GeoPosition>> SplitAtAntimeridian(const std::vector<GeoPosition>& path,
                                                          bool ring) {
    const std::vector<GeoPosition> u = Unwrapped(path);
    if (ring) {
        double west = 180.0;
        double east = -180.0;
        for (const GeoPosition& p : u) {
            west = std::min(west, p.longitude);
            east = std::max(east, p.longitude);
        }
        // The whole ring shifted into range when it lies beyond 180 on
        // one side, else cut at the meridian it crosses.
        const double shift = west > 180.0 ? -360.0 : east < -180.0 ? 360.0 : 0.0;
        const std::vector<GeoPosition> r = Shifted(u, shift);
        west += shift;
        east += shift;
        if (east <= 180.0 && west >= -180.0) {
            return {Closed(r)};
        }
        const double meridian = east > 180.0 ? 180.0 : -180.0;
        std::vector<std::vector<GeoPosition>> pieces;
        for (const bool eastSide : {false, true}) {
            std::vector<GeoPosition> piece = ClipRing(r, meridian, eastSide);
            if (piece.size() >= 3) {
                const bool beyond = (meridian > 0) == eastSide;
                pieces.push_back(Closed(Shifted(piece, beyond ? -meridian * 2 : 0.0)));
            }
        }
        return pieces;
    }
    std::vector<std::vector<GeoPosition>> pieces(1);
    // Which 360-degree band a continuous longitude lies in: 0 for -180..180.
    const auto band = [](double longitude) {
        return static_cast<int>(std::floor((longitude + 180.0) / 360.0));
    };
    for (size_t i = 0; i < u.size(); ++i) {
        int current = band(u[i].longitude);
        if (i > 0) {
            int previous = band(u[i - 1].longitude);
            while (previous != current) {
                const int step = current > previous ? 1 : -1;
                const double meridian = 180.0 + 360.0 * (step > 0 ? previous : previous - 1);
                const GeoPosition cut = OnMeridian(u[i - 1], u[i], meridian);
                pieces.back().push_back({cut.latitude, meridian - 360.0 * previous});
                previous += step;
                pieces.push_back({{cut.latitude, meridian - 360.0 * previous}});
            }
        }
        pieces.back().push_back({u[i].latitude, u[i].longitude - 360.0 * current});
    }
    return pieces;
}

bool IsCounterClockwise(const std::vector<GeoPosition>& ring) {
    const std::vector<GeoPosition> u = Unwrapped(ring);
    double twiceArea = 0.0;
    for (size_t i = 0; i < u.size(); ++i) {
        const GeoPosition a = u[i];
        const GeoPosition b = u[(i + 1) % u.size()];
        twiceArea += a.longitude * b.latitude - b.longitude * a.latitude;
    }
    return twiceArea > 0.0;
}

std::vector<GeoPosition> OutlineOf(const WarningGeometry& geometry) {
    std::vector<GeoPosition> ring;
    if (geometry.kind == GeometryKind::Circle && !geometry.positions.empty()) {
        ring = CircleOutline(geometry.positions.front(), geometry.radiusMetres, kCirclePoints);
        ring.pop_back();
    } else {
        ring = geometry.positions;
    }
    if (!IsCounterClockwise(ring)) {
        std::reverse(ring.begin(), ring.end());
    }
    return ring;
}

}  // namespace wavelore
