#pragma once

#include <span>
#include <string>
#include <vector>

#include "geo/warning_geometry.h"

namespace wavelore {

// Whether the feeds can draw a geometry: enough positions for its kind,
// all within range (NaN is not), and a circle's radius above 0 and below
// half the Earth's circumference. The feeds leave out the others.
bool IsDrawable(const WarningGeometry& geometry);

// Decimal degrees as the feeds write them: fixed-point with six decimals
// (about 0.1 m), trailing zeros dropped, never "-0", whatever the process
// locale.
std::string FeedDegrees(double degrees);

// The identity's reception time as "YYYY-MM-DDTHH:MM:SS" (XML Schema's
// dateTime without a zone), or empty when the date or time is not of that
// shape.
std::string FeedTime(const WarningIdentity& identity);

// The features a feed shows, in their order, each with its name: the
// message identity (B1B2B3B4) when its message has one feature among them,
// else the identity and the feature's number within its message ("GA12-1",
// "GA12-2"). Features of one message are those with the same identity.
// Those the feeds cannot draw are left out.
struct NamedFeature {
    const WarningFeature* feature;
    std::string name;
};
std::vector<NamedFeature> DrawableFeatures(std::span<const WarningFeature> features);

// A closed ring or an open path split where it crosses the 180th meridian
// into pieces that each stay within -180..180, as RFC 7946 asks. Longitudes
// are taken as the shorter way round between consecutive positions. A ring
// is given without its closing repeat and each piece comes back closed;
// the pieces keep the ring's direction.
std::vector<std::vector<GeoPosition>> SplitAtAntimeridian(const std::vector<GeoPosition>& path,
                                                          bool ring);

// Whether a ring (without its closing repeat) runs counter-clockwise seen
// from above with north up, longitudes taken the shorter way round.
bool IsCounterClockwise(const std::vector<GeoPosition>& ring);

// The ring of an area or circle as the feeds draw it: counter-clockwise,
// without the closing repeat; a circle as 64 points round its centre.
std::vector<GeoPosition> OutlineOf(const WarningGeometry& geometry);

}  // namespace wavelore
