#include "dsp/band_analyzer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/nothrow.h"
#include "common/numeric.h"

namespace wavelore {

namespace {

// Level given to a bin whose transform is exactly zero, so that the
// logarithm stays finite (-160 dB).
constexpr double kZeroBinReal = 1e-8;

}  // namespace

CBandAnalyzer::CBandAnalyzer()
    : m_samples(NewArray<double>(kTransformLength)),
      m_history(NewArray<double>(kHistoryRows * kBins)),
      m_re(NewArray<double>(kTransformLength)),
      m_im(NewArray<double>(kTransformLength)),
      m_levels(NewArray<double>(kBins)),
      m_spectrum(NewArray<int32_t>(kBins)) {
    m_smoother.Design(kSmoothingTaps, 0.0, 0.15);
}

const double* CBandAnalyzer::HistoryRow(int32_t row) const {
    const double* history = History();
    if (history == nullptr || row < 0 || row >= kHistoryRows) {
        return nullptr;
    }
    return history + static_cast<size_t>(row) * kBins;
}

bool CBandAnalyzer::Process(const double* in, size_t n) {
    if (!m_samples || !m_history || !m_re || !m_im || !m_levels || !m_spectrum) {
        return false;
    }
    std::copy(in, in + std::min<size_t>(n, kTransformLength), m_samples.get());
    ComputeSpectrum();
    return true;
}

void CBandAnalyzer::Reset() {
    if (m_samples && m_history) {
        std::fill(m_samples.get(), m_samples.get() + kTransformLength, 0.0);
        std::fill(m_history.get(), m_history.get() + kHistoryRows * kBins, 0.0);
    }
    m_smoother.Reset();
    m_frameCounter = 1;
}

void CBandAnalyzer::ComputeSpectrum() {
    double* x = m_re.get();
    double* im = m_im.get();
    std::copy(m_samples.get(), m_samples.get() + kTransformLength, x);
    std::fill(im, im + kTransformLength, 0.0);

    // Emphasis: a three-point high-pass run in place, so each point sees
    // its already filtered left neighbour; the ends average with their
    // unfiltered inner neighbour.
    const double x1 = x[1];
    const double xInner = x[kTransformLength - 2];
    for (int32_t i = 1; i < kTransformLength - 1; ++i) {
        x[i] = 0.5 * x[i] - 0.25 * x[i + 1] - 0.25 * x[i - 1];
    }
    x[0] = (x[0] + x1) / 2;
    x[kTransformLength - 1] = (x[kTransformLength - 1] + xInner) / 2;

    Transform(x, im);

    double* level = m_levels.get();
    for (int32_t k = 0; k < kBins; ++k) {
        double re = x[k];
        if (re == 0.0 && im[k] == 0.0) {
            re = kZeroBinReal;
        }
        level[k] = 10.0 * std::log10(re * re + im[k] * im[k]);
    }

    double maximum = -1e10;
    double minimum = 1e10;
    for (int32_t k = kFirstScaledBin; k < kBins; ++k) {
        maximum = std::max(maximum, level[k]);
        minimum = std::min(minimum, level[k]);
    }

    int32_t* spectrum = m_spectrum.get();
    double* row = m_history.get() + static_cast<size_t>(m_frameCounter % kHistoryRows) * kBins;
    const double range = maximum - minimum;
    // A flat spectrum (digital silence) has no range to scale: show it as
    // all zero rather than dividing by zero.
    const bool flat = !(range > 0.0) || !std::isfinite(range);
    const double scale = flat ? 0.0 : kFullScale / range;
    for (int32_t k = 0; k < kBins; ++k) {
        // Bins below the scaled range can fall far outside it; saturate
        // rather than overflow.
        spectrum[k] = flat ? 0 : TruncToInt32(scale * (level[k] - minimum));
        row[k] = spectrum[k];
    }
    spectrum[0] = 0;

    m_smoother.Process(row, kBins, row);
    ++m_frameCounter;
}

void CBandAnalyzer::Transform(double* re, double* im) {
    constexpr int32_t n = kTransformLength;
    for (int32_t i = 0, j = 0; i < n - 1; ++i) {
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
        int32_t k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
    for (int32_t m = 1; m < n; m *= 2) {
        const double wr = std::cos(std::numbers::pi / m);
        const double wi = -std::sin(std::numbers::pi / m);
        double ur = 1.0;
        double ui = 0.0;
        for (int32_t j = 0; j < m; ++j) {
            for (int32_t i = j; i < n; i += 2 * m) {
                const int32_t ip = i + m;
                const double tr = re[ip] * ur - im[ip] * ui;
                const double ti = re[ip] * ui + im[ip] * ur;
                re[ip] = re[i] - tr;
                im[ip] = im[i] - ti;
                re[i] += tr;
                im[i] += ti;
            }
            const double t = ur;
            ur = t * wr - ui * wi;
            ui = t * wi + ui * wr;
        }
    }
}

}  // namespace wavelore
