#pragma once

#include <string>
#include <string_view>

namespace wavelore {

// The NMEA 0183 checksum (IEC 61162-1) of what stands between "$" and "*":
// two upper-case hexadecimal digits of the exclusive or of its bytes.
std::string NmeaChecksum(std::string_view body);

}  // namespace wavelore
