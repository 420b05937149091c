#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace wavelore {

// Mean of the last n values.
//
// The mean is the sum of the whole circular buffer taken afresh in buffer
// order (no running sum, so no rounding drift over months of running). The
// sum is split into the part of the buffer written since the last wrap,
// which is kept as it grows, and the older rest, which is added per output:
// every result is bit-for-bit the full re-summation, at half its cost, and
// Process spreads the rest over many outputs at once.
class CMovingAverage {
  public:
    CMovingAverage() = default;
    // length: values averaged, >= 1 (a non-positive length leaves no buffer).
    explicit CMovingAverage(int32_t length) { SetLength(length); }
    CMovingAverage(const CMovingAverage&) = delete;
    CMovingAverage& operator=(const CMovingAverage&) = delete;

    // length: values averaged, >= 1. Frees and reallocates the buffer (zeros).
    // A non-positive length or a failed allocation leaves no buffer; the
    // filter then returns 0.
    void SetLength(int32_t length);
    int32_t Length() const { return m_length; }

    // Stores x over the oldest value and returns the mean of the window.
    double Filter(double x);

    // Filter applied to each of n values of in, in order, into out (which
    // may be in).
    void Process(const double* in, size_t n, double* out);

    // Zeroes the window, as at construction.
    void Reset();

  private:
    std::unique_ptr<double[]> m_buffer;
    int32_t m_length = 0;
    int32_t m_position = 0;
    // Sum of m_buffer[0 .. m_position) in index order, starting from 0.
    double m_prefix = 0.0;
};

}  // namespace wavelore
