#pragma once

#include <span>
#include <string>

#include "geo/warning_geometry.h"

namespace wavelore {

// The features as a GeoJSON FeatureCollection (RFC 7946), UTF-8:
//   point   Point
//   line    LineString
//   area    Polygon, its ring closed and counter-clockwise
//   circle  Polygon of 64 points round the centre, counter-clockwise; its
//           properties also give "radius_m" and "center" [lon, lat]
// A line or polygon that crosses the 180th meridian is cut there into a
// MultiLineString or MultiPolygon. Coordinates are [longitude, latitude].
// Each feature's properties: "name" (as FeatureNames gives it), "code"
// (B1B2B3B4), "subject", "station", "time" ("YYYY-MM-DDTHH:MM:SS", when
// known), "kind" ("point", "line", "area" or "circle") and "text", the
// message's text. Geometries the feeds cannot draw are left out.
//
// Circles are polygons because GeoJSON has no circle: a Point with a radius
// property shows as a bare pin in every program that does not know the
// property, where the polygon shows the area everywhere and passes every
// validator.
std::string WriteGeoJson(std::span<const WarningFeature> features);

}  // namespace wavelore
