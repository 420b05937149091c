#pragma once

#include <cstdint>

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

constexpr int32_t kSampleRate = 11025;
constexpr int32_t kSamplesPerBuffer = 2048;
// The integer half of the sample rate: top of the tunable range and the
// frequency that filter edges are normalised to.
constexpr int32_t kNyquist = 5512;
// Sound-card samples are scaled by this before they enter the signal chain.
constexpr double kSampleScale = 0.01;

}  // namespace wavelore
