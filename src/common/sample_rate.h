#pragma once

#include <cstdint>

namespace wavelore {

// The receiver's one sample rate, Hz. Every source of audio delivers it: a
// sound device that cannot capture at it is captured at its own rate and
// converted, as are files, and the sound input refuses a format at any
// other rate. The signal chain is built for it alone: filter edges are
// fractions of kNyquist, and bin widths and bit lengths derive from it.
constexpr int32_t kSampleRate = 11025;
// The integer half of the sample rate: top of the tunable range and the
// frequency that filter edges are normalised to.
constexpr int32_t kNyquist = kSampleRate / 2;

// Samples in one sound buffer: one spectrum, one pass of the chain.
constexpr int32_t kSamplesPerBuffer = 2048;
// Sound-card samples are scaled by this before they enter the signal chain.
constexpr double kSampleScale = 0.01;

}  // namespace wavelore
