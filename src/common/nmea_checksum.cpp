#include "common/nmea_checksum.h"

#include <cstdio>

namespace wavelore {

std::string NmeaChecksum(std::string_view body) {
    unsigned sum = 0;
    for (const char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    char text[3];
    std::snprintf(text, sizeof text, "%02X", sum & 0xFF);
    return text;
}

}  // namespace wavelore
