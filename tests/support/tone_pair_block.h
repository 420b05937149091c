#pragma once

#include "common/sample_block.h"

namespace wavelore::test {

// One 2048-sample buffer of two steady tones 170 Hz apart around 1500 Hz in
// fixed noise: fed again and again it fills the spectrum history with
// identical rows, so the tuning search finds the same candidate on every
// frame.
SampleBlock TonePairBlock();

}  // namespace wavelore::test
