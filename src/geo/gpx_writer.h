#pragma once

#include <span>
#include <string>

#include "geo/warning_geometry.h"

namespace wavelore {

// The features as a GPX 1.1 document, UTF-8: a point as a waypoint (wpt),
// a line as a route (rte), an area as a route back to its first position,
// and a circle as a waypoint at its centre and a closed route of 64 points
// round it. Waypoints and routes carry the feature's name (as FeatureNames
// gives it), the subject and station as comment ("cmt"), the message's text
// as description ("desc", line ends as LF), the station as source ("src")
// and the subject as type; waypoints also the reception time, when known.
// Characters that XML 1.0 does not allow become U+FFFD. Geometries the
// feeds cannot draw are left out.
std::string WriteGpx(std::span<const WarningFeature> features);

}  // namespace wavelore
