#include "common/clock.h"

#include <charconv>
#include <chrono>
#include <ctime>

namespace wavelore {

namespace {

// Days since 1970-01-01 of a civil date, and back (H. Hinnant's algorithms,
// valid over the whole int32 year range).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int32_t& year, int32_t& month, int32_t& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int32_t>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int32_t DaysInMonth(int32_t year, int32_t month) {
    static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool ReadField(std::string_view text, size_t pos, size_t width, int32_t& out) {
    if (pos + width > text.size()) {
        return false;
    }
    const char* first = text.data() + pos;
    for (size_t i = 0; i < width; ++i) {
        if (first[i] < '0' || first[i] > '9') {
            return false;
        }
    }
    return std::from_chars(first, first + width, out).ec == std::errc();
}

}  // namespace

int64_t CalendarSeconds(const LocalTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + int64_t{t.hour} * 3600 +
           int64_t{t.minute} * 60 + t.second;
}

LocalTime AddSeconds(const LocalTime& t, int64_t seconds) {
    int64_t total = CalendarSeconds(t) + seconds;
    int64_t days = total / 86400;
    int64_t rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    LocalTime out;
    CivilFromDays(days, out.year, out.month, out.day);
    out.hour = static_cast<int32_t>(rest / 3600);
    out.minute = static_cast<int32_t>(rest / 60 % 60);
    out.second = static_cast<int32_t>(rest % 60);
    return out;
}

bool ParseLocalTime(std::string_view text, LocalTime& out) {
    LocalTime t;
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' ||
        (text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':') {
        return false;
    }
    if (!ReadField(text, 0, 4, t.year) || !ReadField(text, 5, 2, t.month) ||
        !ReadField(text, 8, 2, t.day) || !ReadField(text, 11, 2, t.hour) ||
        !ReadField(text, 14, 2, t.minute) || !ReadField(text, 17, 2, t.second)) {
        return false;
    }
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) ||
        t.hour > 23 || t.minute > 59 || t.second > 59) {
        return false;
    }
    out = t;
    return true;
}

bool LocalToUtc(const LocalTime& local, LocalTime& utc) {
    std::tm tm{};
    tm.tm_year = local.year - 1900;
    tm.tm_mon = local.month - 1;
    tm.tm_mday = local.day;
    tm.tm_hour = local.hour;
    tm.tm_min = local.minute;
    tm.tm_sec = local.second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    std::tm out{};
#if defined(_WIN32)
    if (t == static_cast<std::time_t>(-1) || gmtime_s(&out, &t) != 0) {
        return false;
    }
#else
    if (t == static_cast<std::time_t>(-1) || gmtime_r(&t, &out) == nullptr) {
        return false;
    }
#endif
    utc = LocalTime{out.tm_year + 1900, out.tm_mon + 1, out.tm_mday,
                    out.tm_hour,        out.tm_min,     out.tm_sec > 59 ? 59 : out.tm_sec};
    return true;
}

LocalTime CSystemClock::Now() const {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
#if defined(_WIN32)
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    LocalTime out;
    out.year = tm.tm_year + 1900;
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    // A leap second reads as the last ordinary second.
    out.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    return out;
}

}  // namespace wavelore
