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
    m_middleTap = static_cast<float>(m_taps[static_cast<size_t>(middle)]);
    for (int32_t k = 1; middle + k < count; k += 2) {
        m_pairs.push_back(static_cast<float>(m_taps[static_cast<size_t>(middle + k)]));
    }
    m_span = count - 1;
    m_maxBlock = maxBlock;
    const size_t size = static_cast<size_t>(m_span + maxBlock);
    m_middle.reset(new (std::nothrow) float[size]);
    m_sides.reset(new (std::nothrow) float[size]);
    if (!m_middle || !m_sides) {
        m_taps.clear();
        return false;
    }
    Reset();
    return true;
}

void CUpperSideband::Reset() {
    if (m_middle) {
        std::fill(m_middle.get(), m_middle.get() + m_span, 0.0f);
        std::fill(m_sides.get(), m_sides.get() + m_span, 0.0f);
    }
    m_turn = 0;
}

namespace {

// y = the half-band filter over middle (its middle tap) and sides (the
// others), pair by pair down the outputs so each pass runs in step.
void Filter(const float* __restrict middle, const float* __restrict sides,
            const std::vector<float>& pairs, float middleTap, int32_t count, float* __restrict y) {
    for (int32_t n = 0; n < count; ++n) {
        y[n] = middleTap * middle[n];
    }
    for (size_t k = 0; k < pairs.size(); ++k) {
        const float g = pairs[k];
        const int32_t d = 2 * static_cast<int32_t>(k) + 1;
        const float* __restrict before = sides - d;
        const float* __restrict after = sides + d;
        for (int32_t n = 0; n < count; ++n) {
            y[n] += g * (before[n] + after[n]);
        }
    }
}

}  // namespace

void CUpperSideband::Process(const float* inI, const float* inQ, int32_t count, float* out) {
    if (m_taps.empty()) {
        std::fill(out, out + std::max(count, 0), 0.0f);
        return;
    }
    count = std::max(std::min(count, m_maxBlock), 0);
    // Output n is Re(j^n w) (n counted from the start): w's real part,
    // minus its imaginary part, minus its real part, its imaginary part. So
    // an even output needs only I and an odd one only Q; its middle tap
    // falls on a sample of the other parity, its other taps on samples of
    // its own. Kept as the two real sequences those taps read, each output
    // is a plain real filter.
    float* middle = m_middle.get() + m_span;
    float* sides = m_sides.get() + m_span;
    for (int32_t n = 0; n < count; ++n) {
        const bool odd = ((m_turn + static_cast<uint32_t>(n)) & 1u) != 0;
        middle[n] = odd ? inI[n] : inQ[n];
        sides[n] = odd ? inQ[n] : inI[n];
    }
    const int32_t centre = m_span / 2;
    Filter(m_middle.get() + centre, m_sides.get() + centre, m_pairs, m_middleTap, count, out);
    for (int32_t n = 0; n < count; ++n) {
        const uint32_t turn = (m_turn + static_cast<uint32_t>(n)) & 3u;
        if (turn == 1 || turn == 2) {
            out[n] = -out[n];
        }
    }
    m_turn = (m_turn + static_cast<uint32_t>(count)) & 3u;
    for (float* v : {m_middle.get(), m_sides.get()}) {
        std::memmove(v, v + count, sizeof(float) * static_cast<size_t>(m_span));
    }
}

}  // namespace wavelore
