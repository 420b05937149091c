#pragma once

#include <string_view>
#include <vector>

#include "geo/warning_geometry.h"

namespace wavelore {

// The geometries a warning's text describes, in text order, each carrying
// the identity given.
//
// Positions are found in every form the coordinators use (see
// FindPositions). Positions that follow one another with nothing but
// separators, list letters or numbers and the words AND, TO, THEN, THENCE,
// THROUGH or VIA between them form a list, and so do positions labelled
// A., B., C. ... (or 1., 2., 3. ...) in turn with text after each. A list
// whose positions only some carry a label is one list per label.
//
// What a list is comes from the words before it (since the list before, in
// its last sentence first) and, for a radius, the words after it:
//   BOUNDED BY, ENCLOSED, POLYGON, BOUNDARY    an area, of three or more
//   WITHIN, RADIUS, CIRCLE, AROUND, CENTRED    a circle round each position
//     with a distance (2 NM, 5 CABLES, 500 M)
//   JOINING, TRACK, ROUTE, CABLE, PIPELINE,    a line, of two or more
//     LINE, ALONG, BETWEEN (just before), or
//     positions joined by TO or THEN
//   AREA, ZONE, BOX, SECTOR, REGION            an area, of three or more
// and is otherwise one point per position. Two latitudes and two
// longitudes on their own in one sentence with BOUNDED, BETWEEN, AREA,
// LATITUDES or the like ("AREA BOUNDED BY 54-10N, 54-20N, 003-20E AND
// 003-40E", "BETWEEN 30N AND 31N, 078W AND 079W") are the area between
// those parallels and meridians. A list with no words of its own
// before it (only its label) is what the list before it was: "AREAS:
// 1. ... 2. ..." gives two areas. An area whose last position repeats its
// first leaves the repeat out.
std::vector<WarningGeometry> ReadPositions(std::u16string_view text,
                                           const WarningIdentity& identity = {});

// ReadPositions with the text beside each geometry, as the feeds take them.
std::vector<WarningFeature> ReadFeatures(std::u16string_view text, const WarningIdentity& identity);

}  // namespace wavelore
