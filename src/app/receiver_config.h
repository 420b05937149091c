#pragma once

#include <cstdint>

#include "common/modes.h"
#include "receiver/receive_chain.h"
#include "receiver/tuning_policy.h"

namespace wavelore {

// What one receiver is set to: the mode with its baud and shift, the
// tuning, and the switches. The chain a start builds and the tuning search
// that runs are derived from it here, and nowhere else; the window and the
// command-line receiver each hold one.
struct ReceiverConfig {
    // NAVTEX as ITU-R M.540 has it: 100 baud, 170 Hz shift.
    Mode mode = Mode::Navtex;
    int32_t baud = 100;     // the mode's keying speed
    int32_t shift = 170;    // Hz between the tones
    int32_t centre = 1700;  // Hz, midway between the tones
    bool invert = false;
    bool strictFec = true;
    // The weak-signal chain, for the modes it decodes.
    bool enhanced = false;
    // The one automatic tuning search. The "SmartTune" setting starts it;
    // the "AFC" and "SmartTune" boxes both show it and either switches it,
    // so what they show is always what runs.
    bool autoTune = true;

    bool AutoTune() const { return autoTune; }

    int32_t HalfShift() const { return shift / 2; }
    DecoderType Decoder() const;
    // What a start builds.
    ChainSettings Chain() const;
    // The search that finds what the chain decodes: the weak-signal
    // chain's own, or the valley search.
    CTuningPolicy::Search Search() const;
};

}  // namespace wavelore
