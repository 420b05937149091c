#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace wavelore::service {

// The service's clock: seconds since 1970-01-01 00:00:00 UTC. Tests set it.
using SecondsClock = std::function<int64_t()>;
int64_t SystemSeconds();

// "2026-05-01T12:34:56Z"
std::string IsoTime(int64_t seconds);
// "2026-05-01 12:34 UTC", as pages show it.
std::string ReadableTime(int64_t seconds);

// A time given in a query: "YYYY-MM-DD" (its midnight), "YYYY-MM-DDTHH:MM"
// or with seconds, an optional trailing "Z", all UTC; or plain seconds since
// 1970. nullopt for anything else.
std::optional<int64_t> ParseTimeParameter(std::string_view text);

}  // namespace wavelore::service
