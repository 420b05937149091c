#include "app/repeat_rule.h"

#include "app/message_record.h"

namespace wavelore {

bool CRepeatRule::IsClean(uint32_t good, uint32_t errors, Mode mode) {
    const uint64_t weighted = WeightedErrors(errors, mode);
    const uint64_t total = uint64_t{good} + weighted;
    return total > 0 && weighted * 100 < total * kCleanPercent;
}

bool CRepeatRule::NeverRepeats(std::u16string_view number) {
    return !number.empty() && number.find_first_not_of(u'0') == std::u16string_view::npos;
}

bool CRepeatRule::WithinWindow(int64_t a, int64_t b) {
    const int64_t apart = a > b ? a - b : b - a;
    return apart <= kWindowSeconds;
}

bool CRepeatRule::SameChannel(int32_t a, int32_t b) {
    return a <= 0 || b <= 0 || a == b;
}

}  // namespace wavelore
