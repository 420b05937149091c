#include "sdr/iq_resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "sdr/filter_design.h"

namespace wavelore {

namespace {

constexpr double kFixedOne = 4294967296.0;  // 2^32

// The four sums one output needs: I and Q through the phases either side
// of its time, in one pass, so they run side by side rather than one after
// another.
struct PhaseSums {
    float loI = 0.0f;
    float hiI = 0.0f;
    float loQ = 0.0f;
    float hiQ = 0.0f;
};

PhaseSums Dots(const float* __restrict xi, const float* __restrict xq, const float* __restrict lo,
               const float* __restrict hi, int32_t n) {
    PhaseSums sums;
    for (int32_t k = 0; k < n; ++k) {
        sums.loI += xi[k] * lo[k];
        sums.hiI += xi[k] * hi[k];
        sums.loQ += xq[k] * lo[k];
        sums.hiQ += xq[k] * hi[k];
    }
    return sums;
}

}  // namespace

bool CIqResampler::Design(double inRate, double outRate, double passHz, double aliasHz,
                          double stopDb, int32_t maxBlock) {
    m_taps = 0;
    m_bank.clear();
    const double stopHz = outRate - aliasHz;  // what folds onto aliasHz
    if (!(outRate > 0.0) || outRate > inRate || passHz < 0.0 || aliasHz < passHz ||
        stopHz <= passHz || maxBlock < 1) {
        return false;
    }
    // The prototype runs at kPhases times the input rate.
    const double rate = inRate * kPhases;
    const int32_t wanted = KaiserTapCount(stopDb, (stopHz - passHz) / rate);
    m_taps = std::max<int32_t>(2, (wanted + kPhases - 1) / kPhases);
    const int32_t count = m_taps * kPhases + 1;
    const std::vector<double> proto =
        KaiserLowPass((passHz + stopHz) / 2.0 / rate, count, KaiserBeta(stopDb), kPhases);
    // h(k + mu), mu = phase / kPhases, weighs the input k samples before the
    // output's time; kept oldest first: column m_taps - 1 - k.
    m_bank.assign(static_cast<size_t>((kPhases + 1) * m_taps), 0.0f);
    for (int32_t phase = 0; phase <= kPhases; ++phase) {
        for (int32_t k = 0; k < m_taps; ++k) {
            const int32_t at = k * kPhases + phase;
            m_bank[static_cast<size_t>(phase * m_taps + (m_taps - 1 - k))] =
                at < count ? static_cast<float>(proto[static_cast<size_t>(at)]) : 0.0f;
        }
    }
    m_step = static_cast<uint64_t>(std::llround(inRate / outRate * kFixedOne));
    m_maxBlock = maxBlock;
    const size_t size = static_cast<size_t>(m_taps + maxBlock);
    m_i.reset(new (std::nothrow) float[size]);
    m_q.reset(new (std::nothrow) float[size]);
    if (!m_i || !m_q) {
        m_taps = 0;
        return false;
    }
    Reset();
    return true;
}

void CIqResampler::Reset() {
    if (m_i) {
        std::fill(m_i.get(), m_i.get() + m_taps - 1, 0.0f);
        std::fill(m_q.get(), m_q.get() + m_taps - 1, 0.0f);
    }
    m_have = m_taps - 1;
    m_time = 0;
}

int32_t CIqResampler::MaxOutputs(int32_t count) const {
    if (m_step == 0) {
        return 0;
    }
    return static_cast<int32_t>((static_cast<uint64_t>(count) << 32) / m_step) + 2;
}

int32_t CIqResampler::Process(const float* inI, const float* inQ, int32_t count, float* outI,
                              float* outQ) {
    if (m_taps == 0) {
        return 0;
    }
    count = std::min(count, m_maxBlock);
    std::memcpy(m_i.get() + m_have, inI, sizeof(float) * static_cast<size_t>(count));
    std::memcpy(m_q.get() + m_have, inQ, sizeof(float) * static_cast<size_t>(count));
    m_have += count;
    // An output at time t (in inputs after the first window's start, whose
    // newest input is m_taps - 1) needs the window starting at floor(t).
    int32_t outputs = 0;
    for (;;) {
        const int64_t start = static_cast<int64_t>(m_time >> 32);
        if (start + m_taps > m_have) {
            break;
        }
        const uint32_t fraction = static_cast<uint32_t>(m_time);
        // The output lies fraction after the window's newest input, which
        // the prototype weighs at that fraction of a tap.
        const double phase = fraction / kFixedOne * kPhases;
        const auto row = static_cast<int32_t>(phase);
        const auto weight = static_cast<float>(phase - row);
        const float* lo = m_bank.data() + static_cast<size_t>(row * m_taps);
        const float* hi = lo + m_taps;
        const float* xi = m_i.get() + start;
        const float* xq = m_q.get() + start;
        const PhaseSums sums = Dots(xi, xq, lo, hi, m_taps);
        outI[outputs] = (1.0f - weight) * sums.loI + weight * sums.hiI;
        outQ[outputs] = (1.0f - weight) * sums.loQ + weight * sums.hiQ;
        ++outputs;
        m_time += m_step;
    }
    const int32_t used = std::min(static_cast<int32_t>(m_time >> 32), m_have);
    m_have -= used;
    m_time -= static_cast<uint64_t>(used) << 32;
    std::memmove(m_i.get(), m_i.get() + used, sizeof(float) * static_cast<size_t>(m_have));
    std::memmove(m_q.get(), m_q.get() + used, sizeof(float) * static_cast<size_t>(m_have));
    return outputs;
}

}  // namespace wavelore
