#include "sdr/upper_sideband.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "sdr/filter_design.h"

namespace wavelore {

bool CUpperSideband::Design(double rate, double transitionHz, double stopDb, int32_t maxBlock) {
    m_taps.clear();
    m_pairs.clear();
    if (!(rate > 0.0) || !(transitionHz > 0.0) || transitionHz >= rate / 4.0 || maxBlock < 1) {
        return false;
    }
    // A multiple of four plus three taps keeps the middle tap on an odd
    // place, so the taps beside it are the non-zero ones.
    const int32_t count = (KaiserTapCount(stopDb, transitionHz / rate) + 1) / 4 * 4 + 3;
    m_taps = KaiserLowPass(0.25, count, KaiserBeta(stopDb), 1.0);
    const int32_t middle = count / 2;
    m_middle = static_cast<float>(m_taps[static_cast<size_t>(middle)]);
    for (int32_t k = 1; middle + k < count; k += 2) {
        m_pairs.push_back(static_cast<float>(m_taps[static_cast<size_t>(middle + k)]));
    }
    m_span = count - 1;
    m_maxBlock = maxBlock;
    const size_t size = static_cast<size_t>(m_span + maxBlock);
    m_i.reset(new (std::nothrow) float[size]);
    m_q.reset(new (std::nothrow) float[size]);
    if (!m_i || !m_q) {
        m_taps.clear();
        return false;
    }
    Reset();
    return true;
}

void CUpperSideband::Reset() {
    if (m_i) {
        std::fill(m_i.get(), m_i.get() + m_span, 0.0f);
        std::fill(m_q.get(), m_q.get() + m_span, 0.0f);
    }
    m_turn = 0;
}

template <int Lanes>
void CUpperSideband::Outputs(int32_t first, int32_t middle, float* out) const {
    // Re(j^n w): w's real part, minus its imaginary part, minus its real
    // part, its imaginary part. Outputs side by side, each summed in its
    // own register, so that the sums do not wait on one another.
    const float* centre[Lanes];
    float sum[Lanes];
    for (int r = 0; r < Lanes; ++r) {
        const int32_t n = first + r;
        const uint32_t turn = (m_turn + static_cast<uint32_t>(n)) & 1u;
        centre[r] = (turn ? m_q.get() : m_i.get()) + n + middle;
        sum[r] = m_middle * centre[r][0];
    }
    for (size_t k = 0; k < m_pairs.size(); ++k) {
        const int32_t d = 2 * static_cast<int32_t>(k) + 1;
        for (int r = 0; r < Lanes; ++r) {
            sum[r] += m_pairs[k] * (centre[r][-d] + centre[r][d]);
        }
    }
    for (int r = 0; r < Lanes; ++r) {
        const uint32_t turn = (m_turn + static_cast<uint32_t>(first + r)) & 3u;
        out[first + r] = (turn == 0 || turn == 3) ? sum[r] : -sum[r];
    }
}

void CUpperSideband::Process(const float* inI, const float* inQ, int32_t count, float* out) {
    if (m_taps.empty()) {
        std::fill(out, out + std::max(count, 0), 0.0f);
        return;
    }
    count = std::min(count, m_maxBlock);
    std::memcpy(m_i.get() + m_span, inI, sizeof(float) * static_cast<size_t>(count));
    std::memcpy(m_q.get() + m_span, inQ, sizeof(float) * static_cast<size_t>(count));
    const int32_t middle = m_span / 2;
    int32_t n = 0;
    for (; n + 4 <= count; n += 4) {
        Outputs<4>(n, middle, out);
    }
    for (; n < count; ++n) {
        Outputs<1>(n, middle, out);
    }
    m_turn = (m_turn + static_cast<uint32_t>(count)) & 3u;
    std::memmove(m_i.get(), m_i.get() + count, sizeof(float) * static_cast<size_t>(m_span));
    std::memmove(m_q.get(), m_q.get() + count, sizeof(float) * static_cast<size_t>(m_span));
}

}  // namespace wavelore
