#include "display/signal_history.h"

#include <algorithm>
#include <new>

#include "common/numeric.h"

namespace wavelore {

void CSignalHistory::ProcessBlock(const SampleBlock& block) {
    if (!m_points) {
        m_points.reset(new (std::nothrow) int16_t[kPoints]());
        return;
    }
    // Whole groups only: the remainder at the end of the block is dropped.
    const uint32_t n = static_cast<uint32_t>(std::max(block.Count(), 0)) / kPointsPerBlock;
    if (n == 0 || block.Empty()) {
        return;
    }
    std::copy(m_points.get() + kPointsPerBlock, m_points.get() + kPoints, m_points.get());
    int16_t* out = m_points.get() + (kPoints - kPointsPerBlock);
    const double* in = block.Data();
    for (int32_t g = 0; g < kPointsPerBlock; ++g, in += n) {
        double sum = 0.0;
        for (uint32_t i = 0; i < n; ++i) {
            sum += in[i];
        }
        const double point = std::clamp(sum / n * 4.0, -double{kLimit}, double{kLimit});
        out[g] = static_cast<int16_t>(TruncToInt32(point));
    }
    m_hasTrace = true;
}

int32_t CSignalHistory::RowOfColumn(int32_t x, int32_t width, int32_t height) const {
    // Single-precision scale factors: the rows of full-scale points depend
    // on their rounding.
    const float xs = static_cast<float>(double{kPoints} / std::max(width, 1));
    const float ys = static_cast<float>(height * 0.005);
    const int32_t index =
        std::clamp(TruncToInt32(static_cast<float>(x) * xs), int32_t{0}, kPoints - 1);
    return TruncToInt32(static_cast<float>(m_points[index]) * ys) + height / 2;
}

}  // namespace wavelore
