#include "service/receiver_rules.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "app/station_table.h"
#include "common/utf.h"

namespace wavelore::service {

bool CheckReceiverName(std::string_view name, std::string& problem) {
    const std::u16string wide = FromUtf8(name);
    if (wide.empty() || wide.size() > 64) {
        problem = "a receiver's name has 1 to 64 characters";
        return false;
    }
    for (char16_t c : wide) {
        if (c < 32 || c == 0x7F || c == 0xFFFD || c == 0x2028 || c == 0x2029) {
            problem = "a receiver's name is one line of text";
            return false;
        }
    }
    if (wide.front() == u' ' || wide.back() == u' ') {
        problem = "a receiver's name does not begin or end with a space";
        return false;
    }
    if (name.find("ERROR") != std::string_view::npos) {
        problem = "a receiver's name may not contain ERROR (the receiver reads it as a failure)";
        return false;
    }
    return true;
}

bool ParseCoordinate(std::string_view text, double limit, double& out) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || std::fabs(value) > limit) {
        return false;
    }
    out = value;
    return true;
}

bool ParsePosition(std::string_view text, double& latitude, double& longitude) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
        return false;
    }
    double lat = 0;
    double lon = 0;
    if (!ParseCoordinate(text.substr(0, comma), 90, lat) ||
        !ParseCoordinate(text.substr(comma + 1), 180, lon)) {
        return false;
    }
    latitude = lat;
    longitude = lon;
    return true;
}

int NavAreaNear(double latitude, double longitude) {
    constexpr double kRad = std::numbers::pi / 180.0;
    double best = 1e9;
    int area = 1;
    for (const NavtexStation& s : CStationTable::All()) {
        // Central angle by the haversine formula.
        const double dLat = (s.latitude - latitude) * kRad;
        const double dLon = (s.longitude - longitude) * kRad;
        const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                         std::cos(latitude * kRad) * std::cos(s.latitude * kRad) *
                             std::sin(dLon / 2) * std::sin(dLon / 2);
        const double angle = 2 * std::asin(std::sqrt(std::min(1.0, h)));
        if (angle < best) {
            best = angle;
            area = s.navArea;
        }
    }
    return area;
}

}  // namespace wavelore::service
