#pragma once

#include <cstdint>
#include <memory>

#include "common/sample_block.h"

namespace wavelore {

// What the signal panel shows: the demodulator output of the last five
// audio buffers, 100 points per buffer, scrolling from right to left.
class CSignalHistory {
  public:
    static constexpr int32_t kPoints = 500;
    static constexpr int32_t kPointsPerBlock = 100;
    // Points are limited to +/-kLimit: a group mean of +/-25 reaches it.
    static constexpr int16_t kLimit = 100;

    CSignalHistory() = default;
    CSignalHistory(const CSignalHistory&) = delete;
    CSignalHistory& operator=(const CSignalHistory&) = delete;

    // One block of demodulator output. The first block only creates the
    // (zeroed) history and is not shown; each later one is reduced to 100
    // group means and appended. A block too short to give every point a
    // value leaves the history as it is.
    void ProcessBlock(const SampleBlock& block);

    // kPoints values in -kLimit..kLimit, oldest first, or null before the
    // first block (or while memory is short).
    const int16_t* Points() const { return m_points.get(); }
    // Whether there is a trace to draw: not until a block after the first
    // has been appended.
    bool HasTrace() const { return m_hasTrace; }

    // Painting arithmetic: the row of column x on a panel `width` x
    // `height` pixels. +kLimit lands on the bottom edge, 0 on the middle
    // row. Needs Points().
    int32_t RowOfColumn(int32_t x, int32_t width, int32_t height) const;

  private:
    std::unique_ptr<int16_t[]> m_points;
    bool m_hasTrace = false;
};

}  // namespace wavelore
