#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geo/warning_geometry.h"

namespace wavelore {

// NMEA 0183 (IEC 61162-1) sentences about positions.

// A WPL sentence, "$CRWPL,llll.ll,a,yyyyy.yy,a,name*hh" with CR LF: the
// position to a hundredth of a minute, the name with the characters NMEA
// reserves ($ * , ! \ ^ ~ and all outside printable ASCII) as '_' and cut
// so that the sentence keeps within 82 characters. The talker is CR, the
// data receiver, as for the NRX sentences. Empty for a position out of
// range.
std::string WaypointSentence(GeoPosition position, std::string_view name);

// The WPL sentences of a message's geometries: one for each point, each
// circle's centre and each position of a line or area, named after the
// message identity (B1B2B3B4), "GA12", or when there are several "GA12-1",
// "GA12-2" ... in text order.
std::vector<std::string> WarningWaypointSentences(std::span<const WarningGeometry> geometries);

// Own position from a GNSS receiver.
struct OwnFix {
    GeoPosition position;
    std::string utcTime;  // "hhmmss" or "hhmmss.ss", as sent
    std::string date;     // "ddmmyy", as sent; may be empty
    std::optional<double> speedKnots;
    std::optional<double> courseDegrees;  // true
};

// An RMC sentence ($GPRMC, $GNRMC, or another talker's) with a valid fix:
// checksum present and right, status A, the mode (NMEA 2.3 and later) not
// N, the navigational status (4.1) not V, and a latitude and longitude in
// range. A trailing CR LF is allowed. Anything else gives nothing.
std::optional<OwnFix> ParseRmc(std::string_view sentence);

}  // namespace wavelore
