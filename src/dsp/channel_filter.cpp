#include "dsp/channel_filter.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace wavelore {

namespace {

// Bounds a design: a transition of a few hertz at a high rate would ask for
// tens of thousands of taps.
constexpr int32_t kMaxTaps = 2047;

// I0(x) by its power series; converges quickly for the window's arguments.
double BesselI0(double x) {
    double term = 1.0;
    double sum = 1.0;
    const double q = x * x / 4.0;
    for (int k = 1; k < 100 && term > 1e-12 * sum; ++k) {
        term *= q / (double(k) * k);
        sum += term;
    }
    return sum;
}

}  // namespace

bool CChannelFilter::CFir::Design(double rate, double passHz, double stopHz, double stopDb,
                                  double gain) {
    const double a = std::max(stopDb, 21.0);
    // Kaiser's formulas for the window's shape and the length it needs.
    const double beta =
        a > 50.0 ? 0.1102 * (a - 8.7) : 0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0);
    const double width = 2.0 * std::numbers::pi * (stopHz - passHz) / rate;
    const double wanted = std::ceil((a - 7.95) / (2.285 * width)) + 1.0;
    const int32_t count =
        static_cast<int32_t>(std::clamp(wanted, 3.0, static_cast<double>(kMaxTaps))) | 1;

    m_taps.reset(new (std::nothrow) double[static_cast<size_t>(count)]);
    m_re.reset(new (std::nothrow) double[2 * static_cast<size_t>(count)]());
    m_im.reset(new (std::nothrow) double[2 * static_cast<size_t>(count)]());
    m_pos = 0;
    m_count = 0;
    if (!m_taps || !m_re || !m_im) {
        return false;
    }
    const double cutoff = (passHz + stopHz) / 2.0 / rate;  // of the rate
    const int32_t mid = count / 2;
    const double norm = BesselI0(beta);
    double sum = 0.0;
    for (int32_t i = 0; i < count; ++i) {
        const double k = i - mid;
        const double sinc =
            k == 0 ? 2.0 * cutoff
                   : std::sin(2.0 * std::numbers::pi * cutoff * k) / (std::numbers::pi * k);
        const double r = k / mid;
        m_taps[i] = sinc * BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / norm;
        sum += m_taps[i];
    }
    for (int32_t i = 0; i < count; ++i) {
        m_taps[i] *= gain / sum;
    }
    m_count = count;
    return true;
}

void CChannelFilter::CFir::Push(std::complex<double> x) {
    m_re[m_pos] = m_re[m_pos + m_count] = x.real();
    m_im[m_pos] = m_im[m_pos + m_count] = x.imag();
    if (++m_pos == m_count) {
        m_pos = 0;
    }
}

std::complex<double> CChannelFilter::CFir::Output() const {
    // The newest m_count values, oldest first, start at the write position.
    // Four partial sums keep several multiplies in flight.
    const double* re = m_re.get() + m_pos;
    const double* im = m_im.get() + m_pos;
    const double* h = m_taps.get();
    double r[4] = {};
    double q[4] = {};
    int32_t i = 0;
    for (; i + 4 <= m_count; i += 4) {
        for (int j = 0; j < 4; ++j) {
            r[j] += h[i + j] * re[i + j];
            q[j] += h[i + j] * im[i + j];
        }
    }
    for (; i < m_count; ++i) {
        r[0] += h[i] * re[i];
        q[0] += h[i] * im[i];
    }
    return {(r[0] + r[1]) + (r[2] + r[3]), (q[0] + q[1]) + (q[2] + q[3])};
}

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
    m_ready = m_down.Design(rate, stopHz, 2.0 * quarter - stopHz, stopDb, 1.0) &&
              m_narrow.Design(rate / 2.0, passHz, stopHz, stopDb, 1.0) &&
              m_up.Design(rate, stopHz, 2.0 * quarter - stopHz, stopDb, 2.0);
    m_odd = false;
    m_pending = {};
}

std::complex<double> CChannelFilter::Process(std::complex<double> x) {
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
