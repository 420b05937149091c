#include "geo/chart_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/utf.h"
#include "geo/feed_fields.h"
#include "geo/warning_expiry.h"

namespace wavelore {

namespace {

// World points of a path, each x moved by whole worlds to within half a
// world of the one before, so that a path across the 180th meridian stays
// in one piece.
CChartModel::WorldPart ToWorld(const std::vector<GeoPosition>& positions) {
    CChartModel::WorldPart part;
    part.points.reserve(positions.size());
    for (const GeoPosition& p : positions) {
        WorldPoint w = Project(p);
        if (!part.points.empty()) {
            const double previous = part.points.back().x;
            w.x -= std::round(w.x - previous);
        }
        part.points.push_back(w);
    }
    if (!part.points.empty()) {
        part.min = part.max = part.points.front();
        for (const WorldPoint& w : part.points) {
            part.min = {std::min(part.min.x, w.x), std::min(part.min.y, w.y)};
            part.max = {std::max(part.max.x, w.x), std::max(part.max.y, w.y)};
        }
    }
    return part;
}

int DrawRank(const CChartModel::Shape& shape) {
    if (shape.chosen) {
        return 3;
    }
    return shape.closed ? 0 : (shape.kind == GeometryKind::Line ? 1 : 2);
}

double SegmentDistance(WorldPoint p, WorldPoint a, WorldPoint b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool Inside(WorldPoint p, const std::vector<WorldPoint>& ring) {
    bool inside = false;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const WorldPoint& a = ring[i];
        const WorldPoint& b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
            inside = !inside;
        }
    }
    return inside;
}

std::vector<CChartModel::WorldPart> ProjectParts(const std::vector<CCoastlineMap::Part>& parts) {
    std::vector<CChartModel::WorldPart> world;
    world.reserve(parts.size());
    for (const CCoastlineMap::Part& part : parts) {
        world.push_back(ToWorld(part.points));
    }
    return world;
}

}  // namespace

WarningCategory CategoryOf(std::u16string_view code) {
    if (code.size() < 2) {
        return WarningCategory::Other;
    }
    switch (code[1]) {
        case u'A':
        case u'L':
            return WarningCategory::Navigational;
        case u'B':
        case u'E':
            return WarningCategory::Meteorological;
        case u'D':
            return WarningCategory::SearchAndRescue;
        case u'C':
            return WarningCategory::Ice;
        default:
            return WarningCategory::Other;
    }
}

void CChartModel::SetBasemap(const CCoastlineMap& map) {
    for (int level = 0; level < CCoastlineMap::kLevels; ++level) {
        const auto l = static_cast<CCoastlineMap::Level>(level);
        m_land[level] = ProjectParts(map.Land(l));
        m_coast[level] = ProjectParts(map.Coast(l));
    }
}

CCoastlineMap::Level CChartModel::BasemapLevel() const {
    return m_view.Scale() < kDetailedScale ? CCoastlineMap::kCoarse : CCoastlineMap::kDetailed;
}

void CChartModel::SetStations(std::vector<ChartStation> stations) {
    m_stations.clear();
    for (ChartStation& s : stations) {
        auto same = std::find_if(m_stations.begin(), m_stations.end(), [&](const ChartStation& o) {
            return o.name == s.name && o.position == s.position;
        });
        if (same == m_stations.end()) {
            m_stations.push_back(std::move(s));
        } else if (same->letters.find(s.letters) == std::u16string::npos) {
            same->letters += u"/" + s.letters;
        }
    }
}

void CChartModel::SetWarnings(std::vector<ChartWarning> warnings) {
    m_warnings = std::move(warnings);
    Rebuild();
}

void CChartModel::SetHideRepeats(bool hide) {
    m_hideRepeats = hide;
    Rebuild();
}

void CChartModel::SetShowAll(bool all) {
    m_showAll = all;
    Rebuild();
}

void CChartModel::SetNow(const LocalTime& utc) {
    m_now = CalendarSeconds(utc);
    Rebuild();
}

bool CChartModel::Expired(const ChartWarning& warning) const {
    if (warning.cancelled) {
        return true;
    }
    if (!m_now) {
        return false;
    }
    const WarningIdentity& id = warning.feature.geometry.identity;
    LocalTime received;
    LocalTime cancel;
    return ParseLocalTime(ToUtf8(id.date + u" " + id.time), received) &&
           CancelTimeOf(warning.feature.text, received, cancel) &&
           CalendarSeconds(cancel) <= *m_now;
}

void CChartModel::SetOwnPosition(std::optional<GeoPosition> position) {
    m_own = position;
    Rebuild();
}

void CChartModel::SetChosen(std::optional<WarningIdentity> identity) {
    m_chosen = std::move(identity);
    Rebuild();
}

bool CChartModel::ShowMessage(const WarningIdentity& identity) {
    bool any = false;
    WorldPoint min;
    WorldPoint max;
    for (const ChartWarning& w : m_warnings) {
        if (w.feature.geometry.identity != identity || !IsDrawable(w.feature.geometry)) {
            continue;
        }
        WarningGeometry g = w.feature.geometry;
        const WorldPart part = ToWorld(g.kind == GeometryKind::Circle ? OutlineOf(g) : g.positions);
        if (!any) {
            min = part.min;
            max = part.max;
            any = true;
            continue;
        }
        // Another geometry of the message goes to the world copy nearest
        // the ones before.
        const double shift = std::round((min.x + max.x) / 2.0 - (part.min.x + part.max.x) / 2.0);
        min = {std::min(min.x, part.min.x + shift), std::min(min.y, part.min.y)};
        max = {std::max(max.x, part.max.x + shift), std::max(max.y, part.max.y)};
    }
    if (!any) {
        return false;
    }
    SetChosen(identity);
    m_view.Fit(min, max, kFocusMargin, kFocusMaxScale);
    return true;
}

bool CChartModel::Shown(const ChartWarning& warning) const {
    if (m_chosen && warning.feature.geometry.identity == *m_chosen) {
        return true;
    }
    if (!warning.selected && !m_showAll) {
        return false;
    }
    if (warning.repeat && m_hideRepeats) {
        return false;
    }
    return !Expired(warning);
}

void CChartModel::Rebuild() {
    m_shapes.clear();
    for (size_t i = 0; i < m_warnings.size(); ++i) {
        const ChartWarning& w = m_warnings[i];
        const WarningGeometry& g = w.feature.geometry;
        if (!IsDrawable(g) || !Shown(w)) {
            continue;
        }
        Shape shape;
        shape.kind = g.kind;
        shape.closed = g.kind == GeometryKind::Area || g.kind == GeometryKind::Circle;
        shape.part = ToWorld(shape.closed ? OutlineOf(g) : g.positions);
        shape.category = CategoryOf(g.identity.code);
        shape.chosen = m_chosen && g.identity == *m_chosen;
        shape.distanceMetres =
            m_own ? DistanceToGeometryMetres(*m_own, g) : std::numeric_limits<double>::quiet_NaN();
        shape.warning = i;
        m_shapes.push_back(std::move(shape));
    }
    std::stable_sort(m_shapes.begin(), m_shapes.end(),
                     [](const Shape& a, const Shape& b) { return DrawRank(a) < DrawRank(b); });
}

std::optional<WarningIdentity> CChartModel::HitTest(double screenX, double screenY,
                                                    double tolerance) const {
    const WorldPoint click = m_view.ToWorld(screenX, screenY);
    const double reach = tolerance / m_view.Scale();
    const Shape* best = nullptr;
    bool bestOnEdge = false;
    double bestMeasure = 0.0;  // distance on an edge, else area
    for (const Shape& shape : m_shapes) {
        const std::vector<WorldPoint>& pts = shape.part.points;
        int first = 0;
        int last = -1;
        m_view.Copies(shape.part.min.x - reach, shape.part.max.x + reach, first, last);
        for (int copy = first; copy <= last; ++copy) {
            const WorldPoint p{click.x - copy, click.y};
            double distance = std::hypot(p.x - pts.front().x, p.y - pts.front().y);
            for (size_t i = 1; i < pts.size(); ++i) {
                distance = std::min(distance, SegmentDistance(p, pts[i - 1], pts[i]));
            }
            if (shape.closed) {
                distance = std::min(distance, SegmentDistance(p, pts.back(), pts.front()));
            }
            if (distance <= reach) {
                if (!best || !bestOnEdge || distance < bestMeasure) {
                    best = &shape;
                    bestOnEdge = true;
                    bestMeasure = distance;
                }
            } else if (shape.closed && !bestOnEdge && Inside(p, pts)) {
                const double area =
                    (shape.part.max.x - shape.part.min.x) * (shape.part.max.y - shape.part.min.y);
                if (!best || area < bestMeasure) {
                    best = &shape;
                    bestMeasure = area;
                }
            }
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return m_warnings[best->warning].feature.geometry.identity;
}

}  // namespace wavelore
