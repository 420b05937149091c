#include "dsp/moving_average.h"

#include <algorithm>

#include "common/nothrow.h"

namespace wavelore {

namespace {

// Two doubles, the width every x86-64 has; GCC and Clang lower the
// arithmetic to SSE2 (and to wider units where built for them).
typedef double V2 __attribute__((vector_size(16)));

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
    m_buffer = NewArray<double>(static_cast<size_t>(length));
    if (m_buffer) {
        m_length = length;
    }
}

void CMovingAverage::Reset() {
    if (m_buffer) {
        std::fill(m_buffer.get(), m_buffer.get() + m_length, 0.0);
    }
    m_position = 0;
    m_prefix = 0.0;
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

void CMovingAverage::Process(const double* in, size_t count, double* out) {
    if (!m_buffer) {
        std::fill(out, out + count, 0.0);
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
        const auto len = static_cast<int32_t>(
            std::min<size_t>(count, static_cast<size_t>(std::min(n - p0, kRun))));
        double prefix = m_prefix;
        for (int32_t k = 0; k < len; ++k) {
            prefix += in[k];
            acc[k] = prefix;
        }
        // Output k still sees the old values at positions p0 + k + 1 and up,
        // added in index order; those inside the run are overwritten only
        // after all its outputs are done. Sixteen outputs at a time in eight
        // independent sums keep the adders busy.
        int32_t k0 = 0;
        for (; k0 + 16 <= len; k0 += 16) {
            V2 a[8];
            for (int m = 0; m < 8; ++m) {
                a[m] = V2{acc[k0 + 2 * m], acc[k0 + 2 * m + 1]};
            }
            // Diagonal: output l takes b[j] only from j = first + l on (a
            // run of 16 never reaches past the end of the buffer here).
            const int32_t first = p0 + k0 + 1;
#pragma GCC unroll 15
            for (int32_t d = 0; d < 15; ++d) {
                const double v = b[first + d];
#pragma GCC unroll 8
                for (int m = 0; m < 8; ++m) {
                    if (2 * m + 1 <= d) {
                        a[m] += V2{v, v};
                    } else if (2 * m == d) {
                        // Adding +0.0 to the second output is exact: a sum
                        // started from +0.0 is never -0.0.
                        a[m] += V2{v, 0.0};
                    }
                }
            }
            const int32_t diagonalEnd = first + 15;
            for (int32_t j = diagonalEnd; j < n; ++j) {
                const V2 v = {b[j], b[j]};
                a[0] += v;
                a[1] += v;
                a[2] += v;
                a[3] += v;
                a[4] += v;
                a[5] += v;
                a[6] += v;
                a[7] += v;
            }
            for (int m = 0; m < 8; ++m) {
                acc[k0 + 2 * m] = a[m][0];
                acc[k0 + 2 * m + 1] = a[m][1];
            }
        }
        for (int32_t k = k0; k < len; ++k) {
            double sum = acc[k];
            for (int32_t j = p0 + k + 1; j < n; ++j) {
                sum += b[j];
            }
            acc[k] = sum;
        }
        // in[k] is read before out[k] is written, so out may be in.
        for (int32_t k = 0; k < len; ++k) {
            b[p0 + k] = in[k];
            out[k] = acc[k] / scale;
        }
        m_position = p0 + len;
        if (m_position == n) {
            m_position = 0;
            m_prefix = 0.0;
        } else {
            m_prefix = prefix;
        }
        in += len;
        out += len;
        count -= static_cast<size_t>(len);
    }
}

}  // namespace wavelore
