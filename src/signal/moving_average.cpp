#include "signal/moving_average.h"

#include <algorithm>
#include <new>

namespace wavelore {

namespace {
// Outputs computed side by side; 16 doubles keep eight SSE additions in
// flight, enough to hide the adder latency on a plain x86-64 target.
constexpr int32_t kLanes = 16;
// Outputs handled per pass; bounds the stack scratch.
constexpr int32_t kRun = 128;
}  // namespace

void CMovingAverage::SetLength(int32_t length) {
    m_buffer.reset();
    m_length = 0;
    m_position = 0;
    m_prefix = 0.0;
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
    double* b = m_buffer.get();
    b[m_position] = x;
    const double prefix = m_prefix + x;
    double sum = prefix;
    for (int32_t j = m_position + 1; j < m_length; ++j) {
        sum += b[j];
    }
    if (++m_position == m_length) {
        m_position = 0;
        m_prefix = 0.0;
    } else {
        m_prefix = prefix;
    }
    return sum / m_length;
}

void CMovingAverage::FilterBlock(double* data, int32_t count) {
    if (!m_buffer) {
        std::fill(data, data + std::max(count, 0), 0.0);
        return;
    }
    double* b = m_buffer.get();
    const int32_t n = m_length;
    const double scale = static_cast<double>(n);
    alignas(64) double acc[kRun];
    while (count > 0) {
        // A run stays inside one lap of the buffer, so every output of it
        // shares the same older rest m_buffer[p + 1 .. n).
        const int32_t p0 = m_position;
        const int32_t len = std::min({count, n - p0, kRun});
        double prefix = m_prefix;
        for (int32_t k = 0; k < len; ++k) {
            prefix += data[k];
            acc[k] = prefix;
        }
        // Output k still sees the old values at positions p0 + k + 1 and up,
        // added in index order; those inside the run are overwritten only
        // after all its outputs are done.
        int32_t k0 = 0;
        for (; k0 + kLanes <= len; k0 += kLanes) {
            double lane[kLanes];
            for (int32_t l = 0; l < kLanes; ++l) {
                lane[l] = acc[k0 + l];
            }
            const int32_t first = p0 + k0 + 1;
            // Diagonal: only outputs that lie before position j take b[j].
            // Adding +0.0 elsewhere is exact: a sum started from +0.0 is
            // never -0.0.
            for (int32_t j = first; j < std::min(first + kLanes - 1, n); ++j) {
                const double v = b[j];
#pragma omp simd
                for (int32_t l = 0; l < kLanes; ++l) {
                    lane[l] += (first + l <= j) ? v : 0.0;
                }
            }
            for (int32_t j = first + kLanes - 1; j < n; ++j) {
                const double v = b[j];
#pragma omp simd
                for (int32_t l = 0; l < kLanes; ++l) {
                    lane[l] += v;
                }
            }
            for (int32_t l = 0; l < kLanes; ++l) {
                acc[k0 + l] = lane[l];
            }
        }
        for (int32_t k = k0; k < len; ++k) {
            double sum = acc[k];
            for (int32_t j = p0 + k + 1; j < n; ++j) {
                sum += b[j];
            }
            acc[k] = sum;
        }
        for (int32_t k = 0; k < len; ++k) {
            b[p0 + k] = data[k];
            data[k] = acc[k] / scale;
        }
        m_position = p0 + len;
        if (m_position == n) {
            m_position = 0;
            m_prefix = 0.0;
        } else {
            m_prefix = prefix;
        }
        data += len;
        count -= len;
    }
}

}  // namespace wavelore
