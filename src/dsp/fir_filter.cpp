#include "dsp/fir_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/nothrow.h"

namespace wavelore {

namespace {

// Two doubles, the width every x86-64 has; GCC and Clang lower the
// arithmetic to SSE2 (and to wider units where built for them).
typedef double V2 __attribute__((vector_size(16)));
typedef double V2Unaligned __attribute__((vector_size(16), aligned(8), may_alias));

inline V2 Load(const double* p) {
    return *reinterpret_cast<const V2Unaligned*>(p);
}

inline void Store(double* p, V2 v) {
    *reinterpret_cast<V2Unaligned*>(p) = v;
}

// Sixteen outputs side by side: eight independent sums keep the adders busy
// while each sum still runs over the taps in order.
constexpr int32_t kLanes = 16;

// out[k] = sum over i of newest[k - i] * taps[i], i ascending from a sum of
// 0; newest[-1], newest[-2], ... are the earlier inputs.
void Convolve(const double* newest, const double* taps, int32_t n, double* out, int32_t count) {
    int32_t k = 0;
    for (; k + kLanes <= count; k += kLanes) {
        V2 a0 = {}, a1 = {}, a2 = {}, a3 = {}, a4 = {}, a5 = {}, a6 = {}, a7 = {};
        const double* src = newest + k;
        for (int32_t i = 0; i < n; ++i, --src) {
            const V2 t = {taps[i], taps[i]};
            a0 += Load(src) * t;
            a1 += Load(src + 2) * t;
            a2 += Load(src + 4) * t;
            a3 += Load(src + 6) * t;
            a4 += Load(src + 8) * t;
            a5 += Load(src + 10) * t;
            a6 += Load(src + 12) * t;
            a7 += Load(src + 14) * t;
        }
        Store(out + k, a0);
        Store(out + k + 2, a1);
        Store(out + k + 4, a2);
        Store(out + k + 6, a3);
        Store(out + k + 8, a4);
        Store(out + k + 10, a5);
        Store(out + k + 12, a6);
        Store(out + k + 14, a7);
    }
    for (; k < count; ++k) {
        double acc = 0.0;
        for (int32_t i = 0; i < n; ++i) {
            acc += newest[k - i] * taps[i];
        }
        out[k] = acc;
    }
}

}  // namespace

int32_t CFirFilter::Design(int32_t taps, double low, double high) {
    m_taps.reset();
    m_work.reset();
    m_tapCount = 0;
    if (taps < 1 || taps > kMaxTaps) {
        return -1;
    }
    const int32_t n = taps % 2 == 0 ? taps + 1 : taps;
    m_taps = NewArray<double>(static_cast<size_t>(n));
    m_work = NewArray<double>(static_cast<size_t>(n - 1 + kChunk));
    if (!m_taps || !m_work) {
        m_taps.reset();
        m_work.reset();
        return -1;
    }
    m_tapCount = n;
    Reset();
    double* tap = m_taps.get();
    std::fill(tap, tap + n, 0.0);

    const double pi = std::numbers::pi;
    const int32_t m = (n - 1) / 2;
    double a = low;
    double b = high;
    // Tones near 0 Hz or the top of the band put an edge outside (0, 1),
    // which neither design covers: clamp rather than leave taps undefined.
    if (!(a == 0.0 && b < 1.0) && !(a > 0.0 && a < b && b < 1.0)) {
        a = std::clamp(a, 0.0, 1.0);
        b = std::clamp(b, 0.0, 1.0);
        if (!(a < b)) {
            return n;
        }
    }
    if (a == 0.0) {
        tap[m] = b;
        for (int32_t k = 1; k <= m; ++k) {
            tap[m + k] = tap[m - k] = std::sin(pi * k * b) / (pi * k);
        }
    } else {
        tap[m] = b - a;
        for (int32_t k = 1; k <= m; ++k) {
            tap[m + k] = tap[m - k] = 2.0 * std::sin(pi * k * (b - a) / 2.0) *
                                      std::cos(pi * k * (a + b) / 2.0) / (pi * k);
        }
    }
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        // A single tap has no window to speak of (and N - 1 would be 0).
        if (n > 1) {
            tap[i] *= 0.54 - 0.46 * std::cos(2.0 * pi * i / (n - 1));
        }
        sum += tap[i];
    }
    // Unity gain at 0 Hz for the low-pass. The band-pass gets the same
    // division; a zero sum would only turn the taps into infinities.
    const double gain = std::fabs(sum);
    if (gain > 0.0 && std::isfinite(gain)) {
        for (int32_t i = 0; i < n; ++i) {
            tap[i] /= gain;
        }
    }
    return n;
}

void CFirFilter::Reset() {
    if (m_work) {
        std::fill(m_work.get(), m_work.get() + (m_tapCount - 1), 0.0);
    }
}

void CFirFilter::Process(const double* in, size_t n, double* out) {
    if (!m_taps) {
        std::fill(out, out + n, 0.0);
        return;
    }
    const int32_t history = m_tapCount - 1;
    double* work = m_work.get();
    while (n > 0) {
        // The chunk is in the workspace before any output is written, so
        // out may be in.
        const auto c = static_cast<int32_t>(std::min<size_t>(n, kChunk));
        std::copy(in, in + c, work + history);
        Convolve(work + history, m_taps.get(), m_tapCount, out, c);
        std::copy(work + c, work + c + history, work);
        in += c;
        out += c;
        n -= static_cast<size_t>(c);
    }
}

}  // namespace wavelore
