#include "display/keyboard_tuning.h"

#include <algorithm>

#include "display/tuning_pointer.h"

namespace wavelore {

std::optional<int32_t> CKeyboardTuning::OnKey(Key key, bool large, int32_t centre,
                                              int32_t halfShift) {
    const int32_t step = (large ? kLargeStep : kStep) * (key == Key::Left ? -1 : 1);
    const int32_t to = Typed(int64_t{centre} + step, halfShift);
    if (to == centre) {
        return std::nullopt;
    }
    return to;
}

int32_t CKeyboardTuning::Typed(int64_t hz, int32_t halfShift) {
    return static_cast<int32_t>(std::clamp<int64_t>(hz, Lowest(halfShift), Highest(halfShift)));
}

int32_t CKeyboardTuning::Lowest(int32_t halfShift) {
    return CTuningPointer::Lowest(halfShift);
}

int32_t CKeyboardTuning::Highest(int32_t halfShift) {
    return CTuningPointer::Highest(halfShift);
}

}  // namespace wavelore
