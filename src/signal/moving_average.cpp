#include "signal/moving_average.h"

#include <algorithm>
#include <new>

namespace wavelore {

void CMovingAverage::SetLength(int32_t length) {
    m_buffer.reset();
    m_length = 0;
    m_position = 0;
    if (length <= 0) {
        return;
    }
    m_buffer.reset(new (std::nothrow) double[static_cast<size_t>(length)]);
    if (!m_buffer) {
        return;
    }
    std::fill(m_buffer.get(), m_buffer.get() + length, 0.0);
    m_length = length;
}

double CMovingAverage::Filter(double x) {
    if (!m_buffer) {
        return 0.0;
    }
    m_buffer[m_position] = x;
    if (++m_position == m_length) {
        m_position = 0;
    }
    // Summed afresh every time so that no rounding drift can build up over
    // months of running.
    double sum = 0.0;
    for (int32_t i = 0; i < m_length; ++i) {
        sum += m_buffer[i];
    }
    return sum / m_length;
}

}  // namespace wavelore
