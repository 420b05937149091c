#include "app/message_record.h"

namespace wavelore {

uint32_t WeightedErrors(uint32_t errors, Mode mode) {
    return mode == Mode::Navtex ? errors / 7 : errors;
}

int32_t MessageQuality(uint32_t good, uint32_t errors, Mode mode) {
    const uint32_t weighted = WeightedErrors(errors, mode);
    const double total = static_cast<double>(good) + static_cast<double>(weighted);
    if (total <= 0.0) {
        return 0;
    }
    return static_cast<int32_t>(100.0 * static_cast<double>(good) / total);
}

}  // namespace wavelore
