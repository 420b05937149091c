#include "service/service_time.h"

#include <charconv>
#include <chrono>
#include <cstdio>

#include "common/clock.h"

namespace wavelore::service {

namespace {

constexpr LocalTime kEpoch{1970, 1, 1, 0, 0, 0};

}  // namespace

int64_t SystemSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string IsoTime(int64_t seconds) {
    const LocalTime t = AddSeconds(kEpoch, seconds);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buffer;
}

std::string ReadableTime(int64_t seconds) {
    const LocalTime t = AddSeconds(kEpoch, seconds);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d UTC", t.year, t.month, t.day,
                  t.hour, t.minute);
    return buffer;
}

std::optional<int64_t> ParseTimeParameter(std::string_view text) {
    if (text.empty() || text.size() > 20) {
        return std::nullopt;
    }
    if (text.find('-') == std::string_view::npos) {
        int64_t value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end != text.data() + text.size() || value < 0) {
            return std::nullopt;
        }
        return value;
    }
    std::string full(text);
    if (!full.empty() && full.back() == 'Z') {
        full.pop_back();
    }
    if (full.size() == 10) {
        full += " 00:00:00";
    } else if (full.size() == 16) {
        full += ":00";
    }
    LocalTime t;
    if (!ParseLocalTime(full, t)) {
        return std::nullopt;
    }
    // Calendar seconds ignore zones, which is UTC's own count.
    return CalendarSeconds(t);
}

}  // namespace wavelore::service
