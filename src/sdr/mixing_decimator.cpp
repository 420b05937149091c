#include "sdr/mixing_decimator.h"

#include <algorithm>
#include <complex>

#include "sdr/filter_design.h"

namespace wavelore {

namespace {

// Where the sample u after a quad's first lies, as an offset into phase
// arrays stride apart: phase u mod 4, u div 4 quads on (rounded down).
int32_t Place(int32_t u, int32_t stride) {
    const int32_t phase = ((u % 4) + 4) % 4;
    return phase * stride + (u - phase) / 4;
}

// The taps' places for the outputs whose middle tap lies at middle: the
// middle first, then each pair's earlier and later sample.
struct Places {
    int32_t middle;
    int32_t before[kMaxHalfBandPairs];
    int32_t after[kMaxHalfBandPairs];
};

Places TapPlaces(int32_t middle, int32_t pairs, int32_t stride) {
    Places places{};
    places.middle = Place(middle, stride);
    for (int32_t k = 0; k < pairs; ++k) {
        places.before[k] = Place(middle - (2 * k + 1), stride);
        places.after[k] = Place(middle + 2 * k + 1, stride);
    }
    return places;
}

// With the pairs known when compiling each output is summed in registers:
// the short filters at the full rate take this path. A pair's samples a
// and b, turned by + and - the mix's angle over their distance from the
// middle, sum to cos (a + b) + j sin (a - b).
template <int Pairs>
void RunFixed(const float* __restrict xi, const float* __restrict xq, const Places& places,
              const float* __restrict c, const float* __restrict s, float middle,
              const float* __restrict mixCos, const float* __restrict mixSin, int32_t count,
              float* __restrict yi, float* __restrict yq) {
    const int32_t centre = places.middle;
    int32_t before[Pairs];
    int32_t after[Pairs];
    for (int k = 0; k < Pairs; ++k) {
        before[k] = places.before[k];
        after[k] = places.after[k];
    }
    for (int32_t j = 0; j < count; ++j) {
        float re = middle * xi[centre + j];
        float im = middle * xq[centre + j];
        for (int k = 0; k < Pairs; ++k) {
            const float ai = xi[before[k] + j];
            const float aq = xq[before[k] + j];
            const float bi = xi[after[k] + j];
            const float bq = xq[after[k] + j];
            re += c[k] * (ai + bi) - s[k] * (aq - bq);
            im += c[k] * (aq + bq) + s[k] * (ai - bi);
        }
        yi[j] = mixCos[j] * re - mixSin[j] * im;
        yq[j] = mixCos[j] * im + mixSin[j] * re;
    }
}

// Any number of pairs: pair by pair down the outputs, then the mix.
void RunPairs(const float* __restrict xi, const float* __restrict xq, const Places& places,
              int32_t pairs, const float* __restrict c, const float* __restrict s, float middle,
              const float* __restrict mixCos, const float* __restrict mixSin, int32_t count,
              float* __restrict yi, float* __restrict yq) {
    for (int32_t j = 0; j < count; ++j) {
        yi[j] = middle * xi[places.middle + j];
        yq[j] = middle * xq[places.middle + j];
    }
    for (int32_t k = 0; k < pairs; ++k) {
        const float* ai = xi + places.before[k];
        const float* aq = xq + places.before[k];
        const float* bi = xi + places.after[k];
        const float* bq = xq + places.after[k];
        const float ck = c[k];
        const float sk = s[k];
        for (int32_t j = 0; j < count; ++j) {
            yi[j] += ck * (ai[j] + bi[j]) - sk * (aq[j] - bq[j]);
            yq[j] += ck * (aq[j] + bq[j]) + sk * (ai[j] - bi[j]);
        }
    }
    for (int32_t j = 0; j < count; ++j) {
        const float re = yi[j];
        const float im = yq[j];
        yi[j] = mixCos[j] * re - mixSin[j] * im;
        yq[j] = mixCos[j] * im + mixSin[j] * re;
    }
}

}  // namespace

bool CMixingDecimator::Design(double rate, int64_t turns, uint32_t length, double passHz,
                              double aliasHz, double stopDb) {
    m_pairCount = 0;
    m_cos.clear();
    m_sin.clear();
    if (length < 64 || (length & (length - 1)) != 0) {
        return false;
    }
    const std::vector<double> taps = HalfBandTaps(rate, passHz, aliasHz, stopDb);
    const auto pairs = static_cast<int32_t>(taps.size() + 1) / 4;
    if (taps.empty() || pairs > kMaxHalfBandPairs) {
        return false;
    }
    const int32_t middle = 2 * pairs - 1;
    m_middle = static_cast<float>(taps[static_cast<size_t>(middle)]);
    for (int32_t k = 0; k < pairs; ++k) {
        const int32_t d = 2 * k + 1;
        const double h = taps[static_cast<size_t>(middle + d)];
        // The mix's turn over d samples is exp(-j w d).
        const std::complex<double> turn = TableTurn(turns, d, length);
        m_cos.push_back(static_cast<float>(h * turn.real()));
        m_sin.push_back(static_cast<float>(-h * turn.imag()));
    }
    m_pairCount = pairs;
    // Output 2q + e of quad q has its middle tap at sample 4q - 2 * pairs
    // + 1 + 2e: the windows of the first outputs reach back into earlier
    // quads, so the output is the one a stage after a plain mix gives.
    const uint32_t quads = length / 4;
    m_mask = quads - 1;
    for (auto [outputs, e] : {std::pair{&m_even, 0}, std::pair{&m_odd, 1}}) {
        outputs->middle = -2 * pairs + 1 + 2 * e;
        outputs->mixCos.resize(quads);
        outputs->mixSin.resize(quads);
        for (uint32_t q = 0; q < quads; ++q) {
            const std::complex<double> mix =
                TableTurn(turns, 4 * int64_t{q} + outputs->middle, length);
            outputs->mixCos[q] = static_cast<float>(mix.real());
            outputs->mixSin[q] = static_cast<float>(mix.imag());
        }
    }
    Reset();
    return true;
}

void CMixingDecimator::Run(const Outputs& outputs, const float* inI, const float* inQ,
                           int32_t stride, int32_t at, int32_t count, float* outI,
                           float* outQ) const {
    const Places places = TapPlaces(outputs.middle, m_pairCount, stride);
    const float* c = m_cos.data();
    const float* s = m_sin.data();
    const float* mixCos = outputs.mixCos.data() + at;
    const float* mixSin = outputs.mixSin.data() + at;
    switch (m_pairCount) {
        case 1:
            return RunFixed<1>(inI, inQ, places, c, s, m_middle, mixCos, mixSin, count, outI, outQ);
        case 2:
            return RunFixed<2>(inI, inQ, places, c, s, m_middle, mixCos, mixSin, count, outI, outQ);
        case 3:
            return RunFixed<3>(inI, inQ, places, c, s, m_middle, mixCos, mixSin, count, outI, outQ);
        default:
            return RunPairs(inI, inQ, places, m_pairCount, c, s, m_middle, mixCos, mixSin, count,
                            outI, outQ);
    }
}

void CMixingDecimator::Process(const float* inI, const float* inQ, int32_t stride, int32_t quads,
                               float* evenI, float* evenQ, float* oddI, float* oddQ) {
    if (m_pairCount == 0) {
        return;
    }
    // In runs that end where the table starts again.
    for (int32_t done = 0; done < quads;) {
        const int32_t run =
            std::min<int32_t>(quads - done, static_cast<int32_t>(m_mask + 1 - m_at));
        const auto at = static_cast<int32_t>(m_at);
        Run(m_even, inI + done, inQ + done, stride, at, run, evenI + done, evenQ + done);
        Run(m_odd, inI + done, inQ + done, stride, at, run, oddI + done, oddQ + done);
        m_at = (m_at + static_cast<uint32_t>(run)) & m_mask;
        done += run;
    }
}

}  // namespace wavelore
