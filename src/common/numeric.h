#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace wavelore {

// Truncation toward zero into int32, saturating instead of overflowing
// (NaN gives 0): display and search arithmetic works on levels that can
// lie far outside the range for a bin below the scaled band.
inline int32_t TruncToInt32(double v) {
    if (!(v > std::numeric_limits<int32_t>::min())) {
        return std::isnan(v) ? 0 : std::numeric_limits<int32_t>::min();
    }
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(v);
}

}  // namespace wavelore
