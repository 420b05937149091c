#include "dsp/channel_filter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "dsp/kaiser_design.h"

namespace wavelore {

namespace {

// Bounds a design: a transition of a few hertz at a high rate would ask for
// tens of thousands of taps.
constexpr int32_t kMaxTaps = 2047;

// A Kaiser-windowed sinc low-pass: flat to passHz, at least stopDb down
// from stopHz, with the given gain at 0 Hz. Taps that only rounding keeps
// from zero (every other one of a half-band filter) are made zero.
bool DesignLowPass(CComplexFir& fir, double rate, double passHz, double stopHz, double stopDb,
                   double gain) {
    const int32_t count = std::min(KaiserTapCount(stopDb, (stopHz - passHz) / rate), kMaxTaps);
    // On the stack: a retune redesigns, and must not throw for memory.
    std::array<double, kMaxTaps> taps;
    KaiserLowPass((passHz + stopHz) / 2.0 / rate, count, KaiserBeta(stopDb), gain, taps.data());
    const int32_t mid = count / 2;
    const double largest = taps[static_cast<size_t>(mid)];
    for (int32_t i = 0; i < count; ++i) {
        double& tap = taps[static_cast<size_t>(i)];
        if (std::abs(tap) < 1e-12 * std::abs(largest)) {
            tap = 0.0;
        }
    }
    return fir.SetTaps(taps.data(), count);
}

}  // namespace

CChannelFilter::CChannelFilter(double rate, double passHz, double stopHz, double stopDb) {
    Design(rate, passHz, stopHz, stopDb);
}

void CChannelFilter::Design(double rate, double passHz, double stopHz, double stopDb) {
    rate = rate > 0.0 ? rate : 1.0;
    const double quarter = rate / 4.0;
    stopHz = std::clamp(stopHz, 1e-3 * rate, 0.999 * quarter);
    passHz = std::clamp(passHz, 0.0, stopHz - 1e-3 * rate);
    // What the half-band filters pass (up to stopHz) folds from, or images
    // onto, 2 * quarter - stopHz and beyond, which they reject as deeply.
    m_ready = DesignLowPass(m_down, rate, stopHz, 2.0 * quarter - stopHz, stopDb, 1.0) &&
              DesignLowPass(m_narrow, rate / 2.0, passHz, stopHz, stopDb, 1.0) &&
              DesignLowPass(m_up, rate, stopHz, 2.0 * quarter - stopHz, stopDb, 2.0);
    m_odd = false;
    m_pending = {};
}

void CChannelFilter::Reset() {
    m_down.Reset();
    m_narrow.Reset();
    m_up.Reset();
    m_odd = false;
    m_pending = {};
}

std::complex<double> CChannelFilter::Step(std::complex<double> x) {
    if (!m_ready) {
        return x;
    }
    m_down.Push(x);
    m_odd = !m_odd;
    if (!m_odd) {
        return m_pending;
    }
    // Every second input: one sample at half the rate, narrowly filtered,
    // becomes two at the full rate (the second is given out next time).
    m_narrow.Push(m_down.Output());
    m_up.Push(m_narrow.Output());
    const std::complex<double> first = m_up.Output();
    m_up.Push({});
    m_pending = m_up.Output();
    return first;
}

}  // namespace wavelore
