#pragma once

#include <cstdint>
#include <string_view>

namespace wavelore {

// A local date and time, broken down as the log names and headers use it.
struct LocalTime {
    int32_t year = 0;    // e.g. 2007
    int32_t month = 0;   // 1..12
    int32_t day = 0;     // 1..31
    int32_t hour = 0;    // 0..23
    int32_t minute = 0;  // 0..59
    int32_t second = 0;  // 0..59

    bool operator==(const LocalTime&) const = default;
};

// The time t plus seconds (which may be negative), on the proleptic
// Gregorian calendar without time zone changes.
LocalTime AddSeconds(const LocalTime& t, int64_t seconds);

// Seconds since 1970-01-01 00:00:00 on the same calendar as AddSeconds:
// the difference of two values is the time between them, ignoring zones.
int64_t CalendarSeconds(const LocalTime& t);

// The UTC time of a local time of this process's time zone. In a repeated
// hour (the end of summer time) the C library's guess is taken; false, and
// utc unchanged, when the time cannot be converted.
bool LocalToUtc(const LocalTime& local, LocalTime& utc);

// Parses "YYYY-MM-DD HH:MM:SS" (a "T" may stand for the space); false, and
// out unchanged, when the text is not a valid date and time.
bool ParseLocalTime(std::string_view text, LocalTime& out);

// Where every time stamp comes from, so tests can set the date.
class IClock {
  public:
    virtual ~IClock() = default;
    virtual LocalTime Now() const = 0;
};

// The machine's local time.
class CSystemClock final : public IClock {
  public:
    LocalTime Now() const override;
};

// A clock that stands still until it is set or advanced.
class CManualClock final : public IClock {
  public:
    explicit CManualClock(const LocalTime& start) : m_now(start) {}
    LocalTime Now() const override { return m_now; }
    void Set(const LocalTime& t) { m_now = t; }
    void Advance(int64_t seconds) { m_now = AddSeconds(m_now, seconds); }

  private:
    LocalTime m_now;
};

}  // namespace wavelore
