#pragma once

#include <cstdint>
#include <memory>

namespace wavelore {

// Mean of the last n values.
class CMovingAverage {
  public:
    CMovingAverage() = default;
    explicit CMovingAverage(int32_t length) { SetLength(length); }

    // length: values averaged, >= 1. Frees and reallocates the buffer (zeros).
    // A non-positive length leaves no buffer; Filter then returns 0.
    void SetLength(int32_t length);
    int32_t Length() const { return m_length; }

    // Stores x over the oldest value and returns the mean of the window.
    double Filter(double x);

  private:
    std::unique_ptr<double[]> m_buffer;
    int32_t m_length = 0;
    int32_t m_position = 0;
};

}  // namespace wavelore
