#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wavelore::service {

// A receiver's name: 1 to 64 characters of one line. The receiver's upload
// ID dialog shows it after "welcome" and reads a reply containing "ERROR" as
// a failure, so a name may not contain that word.
bool CheckReceiverName(std::string_view name, std::string& problem);

// "LAT,LON" in decimal degrees, north and east positive.
bool ParsePosition(std::string_view text, double& latitude, double& longitude);
// One coordinate of a form: decimal degrees within limit (90 or 180).
bool ParseCoordinate(std::string_view text, double limit, double& out);

// The NAVAREA of the NAVTEX station nearest to a position: the area whose
// station letters a receiver there hears.
int NavAreaNear(double latitude, double longitude);

}  // namespace wavelore::service
