#include <gtest/gtest.h>

#include "display/band_scope.h"
#include "display/keyboard_tuning.h"

namespace wavelore {
namespace {

using Key = CKeyboardTuning::Key;

TEST(KeyboardTuning, StepsAndTypedFrequenciesStayWhereClicksMayTune) {
    EXPECT_EQ(CKeyboardTuning::OnKey(Key::Left, false, 1700, 85), 1699);
    EXPECT_EQ(CKeyboardTuning::OnKey(Key::Right, true, 1700, 85), 1710);
    // At the edges the same range as a click on the strip's ends.
    CBandScope strip;
    strip.SetTuning(1700, 85);
    const int32_t low = *strip.OnLeftButtonDown(0, 0, 1000);
    const int32_t high = *strip.OnLeftButtonDown(1000, 0, 1000);
    EXPECT_EQ(CKeyboardTuning::OnKey(Key::Left, true, low + 3, 85), low);
    EXPECT_EQ(CKeyboardTuning::OnKey(Key::Left, false, low, 85), std::nullopt);
    EXPECT_EQ(CKeyboardTuning::OnKey(Key::Right, true, high - 1, 85), high);
    EXPECT_EQ(CKeyboardTuning::OnKey(Key::Right, false, high, 85), std::nullopt);
    // A centre outside the range (a wider shift chosen) comes back inside.
    EXPECT_EQ(CKeyboardTuning::OnKey(Key::Right, false, 20, 85), low);
    EXPECT_EQ(CKeyboardTuning::Typed(-5, 85), low);
    EXPECT_EQ(CKeyboardTuning::Typed(int64_t{1} << 40, 85), high);
    EXPECT_EQ(CKeyboardTuning::Typed(1000, 85), 1000);
    EXPECT_EQ(CKeyboardTuning::Lowest(85), low);
    EXPECT_EQ(CKeyboardTuning::Highest(85), high);
}

}  // namespace
}  // namespace wavelore
