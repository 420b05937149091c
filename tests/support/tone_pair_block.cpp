#include "support/tone_pair_block.h"

#include <cmath>
#include <numbers>
#include <random>

#include "dsp/band_analyzer.h"

namespace wavelore::test {

SampleBlock TonePairBlock() {
    constexpr int32_t kN = CBandAnalyzer::kTransformLength;
    std::mt19937 engine(2);
    SampleBlock block(nullptr, kN);
    for (int32_t i = 0; i < kN; ++i) {
        const double t = i / 11025.0;
        block[i] = 56.0 * (std::sin(2 * std::numbers::pi * 1415 * t) +
                           std::sin(2 * std::numbers::pi * 1585 * t)) +
                   40.0 * (engine() / 4294967296.0 - 0.5);
    }
    return block;
}

}  // namespace wavelore::test
