#include "geo/mercator_view.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wavelore {

namespace {

constexpr double kPi = std::numbers::pi;

}  // namespace

WorldPoint Project(GeoPosition position) {
    const double latitude =
        std::clamp(position.latitude, -kMercatorMaxLatitude, kMercatorMaxLatitude);
    const double phi = latitude * kPi / 180.0;
    return {(position.longitude + 180.0) / 360.0,
            0.5 - std::log(std::tan(kPi / 4.0 + phi / 2.0)) / (2.0 * kPi)};
}

GeoPosition Unproject(WorldPoint point) {
    const double latitude =
        (2.0 * std::atan(std::exp((0.5 - point.y) * 2.0 * kPi)) - kPi / 2.0) * 180.0 / kPi;
    return {std::clamp(latitude, -kMercatorMaxLatitude, kMercatorMaxLatitude),
            point.x * 360.0 - 180.0};
}

void CMercatorView::SetViewport(int width, int height) {
    m_width = std::max(width, 1);
    m_height = std::max(height, 1);
    Clamp();
}

void CMercatorView::Show(WorldPoint centre, double scale) {
    m_centre = centre;
    m_scale = scale;
    Clamp();
}

WorldPoint CMercatorView::ToScreen(WorldPoint world, int copy) const {
    return {(world.x + copy - m_centre.x) * m_scale + m_width / 2.0,
            (world.y - m_centre.y) * m_scale + m_height / 2.0};
}

WorldPoint CMercatorView::ToWorld(double screenX, double screenY) const {
    return {m_centre.x + (screenX - m_width / 2.0) / m_scale,
            m_centre.y + (screenY - m_height / 2.0) / m_scale};
}

void CMercatorView::Copies(double minX, double maxX, int& first, int& last) const {
    const double left = m_centre.x - m_width / 2.0 / m_scale;
    const double right = m_centre.x + m_width / 2.0 / m_scale;
    // Copy k shows [minX + k, maxX + k]; it is on screen when that meets
    // [left, right].
    first = static_cast<int>(std::ceil(left - maxX));
    last = static_cast<int>(std::floor(right - minX));
}

void CMercatorView::Pan(double dx, double dy) {
    m_centre.x -= dx / m_scale;
    m_centre.y -= dy / m_scale;
    Clamp();
}

void CMercatorView::ZoomAt(double factor, double screenX, double screenY) {
    if (!(factor > 0.0) || !std::isfinite(factor)) {
        return;
    }
    const WorldPoint anchor = ToWorld(screenX, screenY);
    m_scale = std::clamp(m_scale * factor, kMinScale, kMaxScale);
    m_centre.x = anchor.x - (screenX - m_width / 2.0) / m_scale;
    m_centre.y = anchor.y - (screenY - m_height / 2.0) / m_scale;
    Clamp();
}

void CMercatorView::Fit(WorldPoint min, WorldPoint max, double margin, double maxScale) {
    const double w = std::max(max.x - min.x, 0.0);
    const double h = std::max(max.y - min.y, 0.0);
    const double roomX = std::max(m_width - 2.0 * margin, 1.0);
    const double roomY = std::max(m_height - 2.0 * margin, 1.0);
    double scale = std::min(maxScale, kMaxScale);
    if (w > 0.0) {
        scale = std::min(scale, roomX / w);
    }
    if (h > 0.0) {
        scale = std::min(scale, roomY / h);
    }
    m_scale = scale;
    m_centre = {(min.x + max.x) / 2.0, (min.y + max.y) / 2.0};
    Clamp();
}

void CMercatorView::Clamp() {
    if (!std::isfinite(m_scale)) {
        m_scale = kMinScale;
    }
    m_scale = std::clamp(m_scale, kMinScale, kMaxScale);
    if (!std::isfinite(m_centre.x) || !std::isfinite(m_centre.y)) {
        m_centre = {0.5, 0.5};
    }
    m_centre.x -= std::floor(m_centre.x);
    // North and south the chart ends: the view keeps the clamped poles at
    // its edges, or centres the world when it is shorter than the view.
    const double halfHeight = m_height / 2.0 / m_scale;
    if (halfHeight >= 0.5) {
        m_centre.y = 0.5;
    } else {
        m_centre.y = std::clamp(m_centre.y, halfHeight, 1.0 - halfHeight);
    }
}

}  // namespace wavelore
