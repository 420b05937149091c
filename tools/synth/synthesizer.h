#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "synth/synth_options.h"
#include "synth/transmission.h"

namespace wavelore::synth {

// A synthesized recording and the text a perfect decoder prints from it.
struct Recording {
    std::vector<int16_t> samples;  // 11025 Hz mono
    std::u16string expectedText;
    std::size_t keyedStart = 0;  // first sample of the first bit
};

// Renders a transmission with the given path conditions.
Recording Synthesize(const CTransmission& transmission, const SynthOptions& options);

// The common case in one call: a broadcast of NAVTEX messages (phasing,
// messages, end of emission) rendered with options. Empty when a message
// holds a character the mode cannot send.
std::optional<Recording> SynthesizeBroadcast(SynthMode mode,
                                             const std::vector<NavtexMessage>& messages,
                                             const SynthOptions& options,
                                             double phasingSeconds = 2.0, double gapSeconds = 1.0);

}  // namespace wavelore::synth
