#pragma once

#include <cstdint>

#include "common/sample_rate.h"

namespace wavelore {

// The main window's mode numbers.
enum class Mode : int32_t {
    Sitor = 0,
    Rtty = 1,
    Navtex = 2,
    Fax = 3,
    Amtor = 4,
    Dpsk = 5,
    NavtexJ = 6,
};

// The decoder thread's decoder types; each selects a demodulator and decoder.
enum class DecoderType : int32_t {
    SitorB = 1,     // NAVTEX, SITOR
    StartStop = 2,  // RTTY (at twice the baud)
    Fax = 3,
    Amtor = 4,
    Dpsk = 5,
    NavtexJ = 6,
};

}  // namespace wavelore
