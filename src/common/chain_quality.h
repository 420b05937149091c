#pragma once

#include <optional>

#include "common/message.h"

namespace wavelore {

// The weak-signal chain's view of the signal after a buffer: its
// signal-to-noise figure (a power ratio, about 2 for noise alone) and
// whether it holds the character alignment.
struct ChainQuality {
    double signalToNoise = 0.0;
    bool locked = false;
};

// The figures ride in WM_DECODER_SPECTRUM's two plain parameters, so they
// reach the window with each spectrum and need no payload of their own:
// wParam the ratio in thousandths, lParam bit 0 "the chain gave figures"
// and bit 1 "locked". nullopt: no chain that gives them runs.
void SetChainQuality(Message& message, const std::optional<ChainQuality>& quality);
std::optional<ChainQuality> ChainQualityOf(const Message& message);

}  // namespace wavelore
