#pragma once

#include <memory>
#include <string>

#include "common/clock.h"

namespace wavelore {

// Testing aid: when this environment variable holds "YYYY-MM-DD HH:MM:SS",
// every time stamp (message names, headers, raw log) is that fixed time
// instead of the local time, so a run gives the same files every time.
constexpr const char* kFixedTimeVariable = "WAVELORE_FIXED_TIME";

// The clock of a run: the local time, or the fixed time of
// kFixedTimeVariable. Null, with error set, when the variable is malformed.
std::unique_ptr<IClock> MakeRunClock(std::string& error);

}  // namespace wavelore
