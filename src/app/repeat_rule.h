#pragma once

#include <cstdint>
#include <string_view>

#include "common/modes.h"

namespace wavelore {

// The receivers' ID store: a message whose identity (B1 B2 and the serial
// number) was stored before, received cleanly, at a frame time at most
// 72 hours away from its own, is a repeat. A repeat is stored like any
// message, but it is not alarmed or sent on again.
//
// - Time: the frame times (local date and time of the frame start, as in
//   the file names) are compared on the calendar, without time zones; the
//   earlier reception counts when the two are at most 72 hours apart either
//   way (exactly 72:00:00 still counts), so a clock set back does not make
//   every message new again. Every earlier reception counts, repeats too:
//   a warning broadcast every four hours stays a repeat for as long as it
//   is broadcast.
// - Clean: fewer than 4 % character errors, E' / (G + E') < 4 % with G the
//   good characters and E' the errors as the quality figure weighs them
//   (errors / 7 in NAVTEX). Nothing counted (G + E' = 0, or a reception
//   whose counts are unknown) is not clean.
// - Channel: with several channels, the same station letter on 490 and
//   518 kHz is two stations, so the earlier reception counts only on the
//   same frequency, or when either frequency is unknown (a sound card, a
//   row made from a stored file).
// - Serial number 00 (000 in NAVTEX-J) marks messages that must always be
//   shown: never a repeat.
class CRepeatRule {
  public:
    static constexpr int64_t kWindowSeconds = 72 * 3600;
    static constexpr uint32_t kCleanPercent = 4;

    static bool IsClean(uint32_t good, uint32_t errors, Mode mode);
    // True when the serial number is all zeros.
    static bool NeverRepeats(std::u16string_view number);
    // Calendar seconds of two frame times (CalendarSeconds).
    static bool WithinWindow(int64_t a, int64_t b);
    // Channel frequencies in Hz, 0 (or less) when unknown.
    static bool SameChannel(int32_t a, int32_t b);
};

}  // namespace wavelore
