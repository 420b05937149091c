#include "sdr/halfband_decimator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "sdr/filter_design.h"

namespace wavelore {

namespace {

constexpr double kPassRippleDb = 0.01;
constexpr int32_t kMaxPairs = 64;

// Whether taps stay flat to passHz and reject stopDb from rate/2 - aliasHz
// to rate/2 (on a grid fine enough for these smooth responses).
bool Meets(const std::vector<double>& taps, double rate, double passHz, double aliasHz,
           double stopDb) {
    constexpr int kPoints = 48;
    const double ripple = std::pow(10.0, kPassRippleDb / 20.0) - 1.0;
    const double stop = std::pow(10.0, -stopDb / 20.0);
    for (int i = 0; i <= kPoints; ++i) {
        const double f = passHz / rate * i / kPoints;
        if (std::abs(Magnitude(taps, f) - 1.0) > ripple) {
            return false;
        }
        const double g = 0.5 - aliasHz / rate * i / kPoints;
        if (Magnitude(taps, g) > stop) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool CHalfbandDecimator::Design(double rate, double passHz, double aliasHz, double stopDb,
                                int32_t maxBlock) {
    m_taps.clear();
    m_pairs.clear();
    if (!(rate > 0.0) || passHz < 0.0 || aliasHz < passHz || aliasHz >= rate / 4.0 ||
        maxBlock < 2) {
        return false;
    }
    for (int32_t pairs = 1; pairs <= kMaxPairs && m_taps.empty(); ++pairs) {
        std::vector<double> flat = MaxFlatHalfBand(pairs);
        // A Kaiser sinc cut at a quarter of the rate is a half-band filter too.
        std::vector<double> kaiser = KaiserLowPass(0.25, 4 * pairs - 1, KaiserBeta(stopDb), 1.0);
        for (std::vector<double>* taps : {&flat, &kaiser}) {
            if (m_taps.empty() && Meets(*taps, rate, passHz, aliasHz, stopDb)) {
                m_taps = *taps;
            }
        }
    }
    if (m_taps.empty()) {
        return false;
    }
    const int32_t pairs = static_cast<int32_t>(m_taps.size() + 1) / 4;
    const int32_t middle = 2 * pairs - 1;
    m_middle = static_cast<float>(m_taps[static_cast<size_t>(middle)]);
    for (int32_t k = 0; k < pairs; ++k) {
        m_pairs.push_back(static_cast<float>(m_taps[static_cast<size_t>(middle + 2 * k + 1)]));
    }
    m_span = static_cast<int32_t>(m_taps.size()) - 1;
    m_maxBlock = maxBlock;
    const size_t size = static_cast<size_t>(m_span + maxBlock + 1);
    m_i.reset(new (std::nothrow) float[size]);
    m_q.reset(new (std::nothrow) float[size]);
    if (!m_i || !m_q) {
        m_taps.clear();
        m_pairs.clear();
        return false;
    }
    Reset();
    return true;
}

void CHalfbandDecimator::Reset() {
    if (m_i) {
        std::fill(m_i.get(), m_i.get() + m_span, 0.0f);
        std::fill(m_q.get(), m_q.get() + m_span, 0.0f);
    }
    m_have = m_span;
}

int32_t CHalfbandDecimator::Process(const float* inI, const float* inQ, int32_t count, float* outI,
                                    float* outQ) {
    if (m_taps.empty()) {
        return 0;
    }
    count = std::min(count, m_maxBlock);
    std::memcpy(InputI(), inI, sizeof(float) * static_cast<size_t>(count));
    std::memcpy(InputQ(), inQ, sizeof(float) * static_cast<size_t>(count));
    return Commit(count, outI, outQ);
}

int32_t CHalfbandDecimator::Commit(int32_t count, float* outI, float* outQ) {
    if (m_taps.empty()) {
        return 0;
    }
    m_have += std::clamp(count, 0, m_maxBlock);
    // Windows start at 0, 2, 4...; each needs m_span samples after its start.
    const int32_t outputs = m_have > m_span ? (m_have - m_span + 1) / 2 : 0;
    Run(m_i.get(), outI, outputs);
    Run(m_q.get(), outQ, outputs);
    const int32_t used = 2 * outputs;
    m_have -= used;
    std::memmove(m_i.get(), m_i.get() + used, sizeof(float) * static_cast<size_t>(m_have));
    std::memmove(m_q.get(), m_q.get() + used, sizeof(float) * static_cast<size_t>(m_have));
    return outputs;
}

namespace {

// One pass over the outputs with the pairs known when compiling, so each
// output is summed in registers; the short filters of the first, costly
// stages take this path.
template <int Pairs>
void RunFixed(const float* __restrict centre, const float* __restrict g, float middle,
              float* __restrict y, int32_t outputs) {
    for (int32_t m = 0; m < outputs; ++m) {
        float sum = middle * centre[2 * m];
        for (int k = 0; k < Pairs; ++k) {
            sum += g[k] * (centre[2 * m - (2 * k + 1)] + centre[2 * m + 2 * k + 1]);
        }
        y[m] = sum;
    }
}

}  // namespace

void CHalfbandDecimator::Run(const float* __restrict x, float* __restrict y,
                             int32_t outputs) const {
    const int32_t middle = m_span / 2;
    const float* centre = x + middle;
    switch (m_pairs.size()) {
        case 1:
            return RunFixed<1>(centre, m_pairs.data(), m_middle, y, outputs);
        case 2:
            return RunFixed<2>(centre, m_pairs.data(), m_middle, y, outputs);
        case 3:
            return RunFixed<3>(centre, m_pairs.data(), m_middle, y, outputs);
        default:
            break;
    }
    for (int32_t m = 0; m < outputs; ++m) {
        y[m] = m_middle * centre[2 * m];
    }
    // Pair by pair, so that each pass runs down the outputs in step.
    for (size_t k = 0; k < m_pairs.size(); ++k) {
        const float g = m_pairs[k];
        const float* before = centre - (2 * static_cast<int32_t>(k) + 1);
        const float* after = centre + (2 * static_cast<int32_t>(k) + 1);
        for (int32_t m = 0; m < outputs; ++m) {
            y[m] += g * (before[2 * m] + after[2 * m]);
        }
    }
}

}  // namespace wavelore
