#include "app/run_clock.h"

#include <cstdlib>

namespace wavelore {

std::unique_ptr<IClock> MakeRunClock(std::string& error) {
    const char* fixed = std::getenv(kFixedTimeVariable);
    if (fixed == nullptr || *fixed == '\0') {
        return std::make_unique<CSystemClock>();
    }
    LocalTime t;
    if (!ParseLocalTime(fixed, t)) {
        error = std::string(kFixedTimeVariable) + " must be \"YYYY-MM-DD HH:MM:SS\", not \"" +
                fixed + "\"";
        return nullptr;
    }
    return std::make_unique<CManualClock>(t);
}

}  // namespace wavelore
