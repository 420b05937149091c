#pragma once

#include <string_view>

#include "common/clock.h"

namespace wavelore {

// When a warning's own text says it ends: "CANCEL THIS MSG 241200 UTC MAR
// 24", "CANCEL THIS MESSAGE 241200Z MAR 2024", or without month and year
// ("CANCEL THIS MSG 241200 UTC"), which then are those of the reception,
// or of the month after when the day has already passed. The time is UTC,
// as the text gives it. False, and cancel unchanged, when the text names no
// such time or names an impossible one.
bool CancelTimeOf(std::u16string_view text, const LocalTime& received, LocalTime& cancel);

}  // namespace wavelore
