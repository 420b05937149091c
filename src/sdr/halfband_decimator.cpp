#include "sdr/halfband_decimator.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/nothrow.h"
#include "sdr/filter_design.h"

namespace wavelore {

namespace {

// The even samples of count pairs at x to even, the odd ones to odd.
void SplitPairs(const float* __restrict x, int32_t pairs, float* __restrict even,
                float* __restrict odd) {
    for (int32_t j = 0; j < pairs; ++j) {
        even[j] = x[2 * j];
        odd[j] = x[2 * j + 1];
    }
}

}  // namespace

bool CHalfbandDecimator::Design(double rate, double passHz, double aliasHz, double stopDb,
                                int32_t maxBlock) {
    m_taps.clear();
    m_pairs.clear();
    if (maxBlock < 2) {
        return false;
    }
    m_taps = HalfBandTaps(rate, passHz, aliasHz, stopDb);
    if (m_taps.empty()) {
        return false;
    }
    const int32_t pairs = static_cast<int32_t>(m_taps.size() + 1) / 4;
    const int32_t middle = 2 * pairs - 1;
    m_middle = static_cast<float>(m_taps[static_cast<size_t>(middle)]);
    for (int32_t k = 0; k < pairs; ++k) {
        m_pairs.push_back(static_cast<float>(m_taps[static_cast<size_t>(middle + 2 * k + 1)]));
    }
    // A window of 4 * pairs - 1 taps spans 2 * pairs pairs.
    m_history = 2 * pairs - 1;
    m_maxBlock = maxBlock;
    m_capacity = m_history + maxBlock / 2 + 1;
    for (auto* phase : {&m_evenI, &m_evenQ, &m_oddI, &m_oddQ}) {
        *phase = NewArray<float>(static_cast<size_t>(m_capacity));
        if (!*phase) {
            m_taps.clear();
            m_pairs.clear();
            return false;
        }
    }
    Reset();
    return true;
}

void CHalfbandDecimator::Reset() {
    for (auto* phase : {&m_evenI, &m_evenQ, &m_oddI, &m_oddQ}) {
        if (*phase) {
            std::fill(phase->get(), phase->get() + m_history, 0.0f);
        }
    }
    m_have = m_history;
    m_carrying = false;
}

int32_t CHalfbandDecimator::Process(const float* inI, const float* inQ, int32_t count, float* outI,
                                    float* outQ) {
    if (m_taps.empty()) {
        return 0;
    }
    count = std::clamp(count, 0, m_maxBlock);
    float* ei = EvenI();
    float* eq = EvenQ();
    float* oi = OddI();
    float* oq = OddQ();
    int32_t pairs = 0;
    int32_t n = 0;
    if (m_carrying && count > 0) {
        ei[0] = m_carryI;
        eq[0] = m_carryQ;
        oi[0] = inI[0];
        oq[0] = inQ[0];
        m_carrying = false;
        pairs = 1;
        n = 1;
    }
    const int32_t more = (count - n) / 2;
    SplitPairs(inI + n, more, ei + pairs, oi + pairs);
    SplitPairs(inQ + n, more, eq + pairs, oq + pairs);
    pairs += more;
    n += 2 * more;
    if (n < count) {
        m_carryI = inI[n];
        m_carryQ = inQ[n];
        m_carrying = true;
    }
    return CommitPairs(pairs, outI, outQ);
}

int32_t CHalfbandDecimator::CommitPairs(int32_t pairs, float* outI, float* outQ) {
    if (m_taps.empty()) {
        return 0;
    }
    m_have += std::clamp(pairs, 0, m_capacity - m_have);
    const int32_t outputs = m_have - m_history;
    Run(m_evenI.get(), m_oddI.get(), outI, outputs);
    Run(m_evenQ.get(), m_oddQ.get(), outQ, outputs);
    m_have = m_history;
    for (auto* phase : {&m_evenI, &m_evenQ, &m_oddI, &m_oddQ}) {
        std::memmove(phase->get(), phase->get() + outputs,
                     sizeof(float) * static_cast<size_t>(m_history));
    }
    return outputs;
}

namespace {

// Output m's window starts at pair m: its middle tap falls on the odd
// sample of pair m + P - 1, tap pair k on the even samples of pairs
// m + P - 1 - k and m + P + k. With the pairs known when compiling each
// output is summed in registers; the short filters of the first, costly
// stages take this path.
template <int Pairs>
void RunFixed(const float* __restrict even, const float* __restrict odd, const float* __restrict g,
              float middle, float* __restrict y, int32_t outputs) {
    for (int32_t m = 0; m < outputs; ++m) {
        float sum = middle * odd[m + Pairs - 1];
        for (int k = 0; k < Pairs; ++k) {
            sum += g[k] * (even[m + Pairs - 1 - k] + even[m + Pairs + k]);
        }
        y[m] = sum;
    }
}

}  // namespace

void CHalfbandDecimator::Run(const float* __restrict even, const float* __restrict odd,
                             float* __restrict y, int32_t outputs) const {
    switch (m_pairs.size()) {
        case 1:
            return RunFixed<1>(even, odd, m_pairs.data(), m_middle, y, outputs);
        case 2:
            return RunFixed<2>(even, odd, m_pairs.data(), m_middle, y, outputs);
        case 3:
            return RunFixed<3>(even, odd, m_pairs.data(), m_middle, y, outputs);
        default:
            break;
    }
    const int32_t pairs = static_cast<int32_t>(m_pairs.size());
    for (int32_t m = 0; m < outputs; ++m) {
        y[m] = m_middle * odd[m + pairs - 1];
    }
    // Pair by pair, so that each pass runs down the outputs in step.
    for (int32_t k = 0; k < pairs; ++k) {
        const float g = m_pairs[static_cast<size_t>(k)];
        const float* before = even + (pairs - 1 - k);
        const float* after = even + (pairs + k);
        for (int32_t m = 0; m < outputs; ++m) {
            y[m] += g * (before[m] + after[m]);
        }
    }
}

}  // namespace wavelore
