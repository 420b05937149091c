#pragma once

#include <cstdint>
#include <optional>

namespace wavelore {

// Tuning from the keyboard: the arrow keys move the centre 1 Hz, or 10 Hz
// with Shift, and a typed frequency is taken as a click would be, kept
// within the range the spectrum strip allows (CTuningPointer). Answers are
// requests for the host, as the strip's are.
class CKeyboardTuning {
  public:
    enum class Key { Left, Right };
    static constexpr int32_t kStep = 1;        // Hz
    static constexpr int32_t kLargeStep = 10;  // Hz, with Shift

    // The centre to ask for after a key, or nullopt when the tuning cannot
    // move that way (already at its edge). large: Shift held.
    static std::optional<int32_t> OnKey(Key key, bool large, int32_t centre, int32_t halfShift);
    // A typed centre frequency, Hz, brought within range.
    static int32_t Typed(int64_t hz, int32_t halfShift);
    // The range a typed frequency may take.
    static int32_t Lowest(int32_t halfShift);
    static int32_t Highest(int32_t halfShift);
};

}  // namespace wavelore
