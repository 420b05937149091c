#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace wavelore {

// Windowed-sinc FIR filter (Hamming window) whose delay line carries over
// from block to block. Edges are fractions of kNyquist (5512 Hz, the
// integer half of the sample rate).
//
// Each output is the sum over the taps, newest input first, exactly as a
// shifted delay line gives it; the outputs of a block are computed side by
// side over [history | block] instead of shifting, so the results are the
// same bit for bit.
class CFirFilter {
  public:
    static constexpr int32_t kMaxTaps = 1 << 16;

    CFirFilter() = default;
    CFirFilter(const CFirFilter&) = delete;
    CFirFilter& operator=(const CFirFilter&) = delete;

    // taps: requested tap count, 1 .. kMaxTaps; an even count gets one more tap.
    // low: lower edge, fraction of kNyquist: 0 for a low-pass, else in (0, high).
    // high: upper edge, fraction of kNyquist, in (low, 1).
    // Edges outside those ranges are clamped to [0, 1]; an empty band gives
    // a filter that outputs 0. Zeroes the delay line. Returns the tap count,
    // or -1 (no taps, output 0) for a count out of range or a failed allocation.
    int32_t Design(int32_t taps, double low, double high);

    // Filters n values from in into out, which may be in itself.
    void Process(const double* in, size_t n, double* out);

    // Zeroes the delay line.
    void Reset();

    int32_t TapCount() const { return m_tapCount; }
    const double* Taps() const { return m_taps.get(); }

  private:
    // Inputs filtered per pass; bounds the workspace.
    static constexpr int32_t kChunk = 512;

    std::unique_ptr<double[]> m_taps;
    // The last TapCount() - 1 inputs, followed by room for one chunk.
    std::unique_ptr<double[]> m_work;
    int32_t m_tapCount = 0;
};

}  // namespace wavelore
