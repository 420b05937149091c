#include "dsp/complex_fir.h"

#include <algorithm>

#include "common/nothrow.h"

namespace wavelore {

bool CComplexFir::SetTaps(const double* taps, int32_t count) {
    m_count = 0;
    m_pairs = 0;
    m_pos = 0;
    if (taps == nullptr || count < 1 || count % 2 == 0) {
        return false;
    }
    const auto size = static_cast<size_t>(count);
    m_taps = NewArray<double>(size / 2 + 1);
    m_places = NewArray<int32_t>(size / 2 + 1);
    m_re = NewArray<double>(2 * size);
    m_im = NewArray<double>(2 * size);
    if (!m_taps || !m_places || !m_re || !m_im) {
        return false;
    }
    const int32_t mid = count / 2;
    for (int32_t i = 0; i < mid; ++i) {
        if (taps[i] != 0.0) {
            m_taps[m_pairs] = taps[i];
            m_places[m_pairs] = i;
            ++m_pairs;
        }
    }
    m_middle = taps[mid];
    m_dense = m_pairs == mid;
    m_count = count;
    return true;
}

void CComplexFir::Reset() {
    if (m_count > 0) {
        std::fill(m_re.get(), m_re.get() + 2 * m_count, 0.0);
        std::fill(m_im.get(), m_im.get() + 2 * m_count, 0.0);
    }
    m_pos = 0;
}

void CComplexFir::Push(std::complex<double> x) {
    if (m_count == 0) {
        return;
    }
    m_re[m_pos] = m_re[m_pos + m_count] = x.real();
    m_im[m_pos] = m_im[m_pos + m_count] = x.imag();
    if (++m_pos == m_count) {
        m_pos = 0;
    }
}

std::complex<double> CComplexFir::Output() const {
    if (m_count == 0) {
        return {};
    }
    // The newest m_count values, oldest first, start at the write position;
    // the i-th from the start and the i-th from the end share a tap.
    const double* re = m_re.get() + m_pos;
    const double* im = m_im.get() + m_pos;
    const int32_t last = m_count - 1;
    double r[2] = {m_middle * re[last / 2], 0.0};
    double q[2] = {m_middle * im[last / 2], 0.0};
    if (m_dense) {
        const double* h = m_taps.get();
        int32_t i = 0;
        for (; i + 2 <= m_pairs; i += 2) {
            r[0] += h[i] * (re[i] + re[last - i]);
            q[0] += h[i] * (im[i] + im[last - i]);
            r[1] += h[i + 1] * (re[i + 1] + re[last - i - 1]);
            q[1] += h[i + 1] * (im[i + 1] + im[last - i - 1]);
        }
        for (; i < m_pairs; ++i) {
            r[0] += h[i] * (re[i] + re[last - i]);
            q[0] += h[i] * (im[i] + im[last - i]);
        }
    } else {
        for (int32_t k = 0; k < m_pairs; ++k) {
            const int32_t i = m_places[k];
            const double h = m_taps[k];
            r[k & 1] += h * (re[i] + re[last - i]);
            q[k & 1] += h * (im[i] + im[last - i]);
        }
    }
    return {r[0] + r[1], q[0] + q[1]};
}

}  // namespace wavelore
