#include "dsp/tone_pair_search.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/nothrow.h"

namespace wavelore {

namespace {

constexpr int32_t kLength = CBandAnalyzer::kTransformLength;
constexpr int32_t kBins = kLength / 2;
// Frames averaged: about 1.1 s (six frames of 0.19 s) as a running mean.
constexpr double kAveraging = 1.0 / 6.0;
// Frames before the first search, so the average means something.
constexpr int32_t kMinFrames = 6;
// A keyed tone spreads over some tens of hertz: its hump is measured as
// the mean over +-4 bins (about 48 Hz).
constexpr int32_t kHumpHalfWidth = 4;
// Both humps must stand this far above the noise floor (the median of the
// band). Noise alone averaged like this stays within about 1 dB of it.
constexpr double kToneOverFloor = 2.0;
// And neither may be more than 10 dB weaker than the other.
constexpr double kToneBalance = 10.0;
// Candidates within this many hertz of each other agree.
constexpr double kAgreeHz = 8.0;
// Frames in a row that must agree before a retune.
constexpr int32_t kVotesToRetune = 3;
// The tuning is left alone when it is this close (the AFC does the rest).
constexpr double kRetuneToleranceHz = 10.0;

}  // namespace

CTonePairSearch::CTonePairSearch()
    : m_window(NewArray<double>(kLength)),
      m_re(NewArray<double>(kLength)),
      m_im(NewArray<double>(kLength)),
      m_average(NewArray<double>(kBins)),
      m_hump(NewArray<double>(kBins)),
      m_scratch(NewArray<double>(kBins)) {
    if (m_window) {
        for (int32_t i = 0; i < kLength; ++i) {
            m_window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kLength);
        }
    }
}

void CTonePairSearch::Reset() {
    if (m_average) {
        std::fill(m_average.get(), m_average.get() + kBins, 0.0);
    }
    m_frames = 0;
    m_candidate.reset();
    m_agreed = 0.0;
    m_votes = 0;
}

std::optional<int32_t> CTonePairSearch::Process(const double* in, size_t n, int32_t centre,
                                                int32_t halfShift) {
    if (!m_window || !m_re || !m_im || !m_average || !m_hump || !m_scratch) {
        return std::nullopt;
    }
    const auto count = static_cast<int32_t>(std::min<size_t>(n, kLength));
    for (int32_t i = 0; i < kLength; ++i) {
        const double x = i < count ? in[i] : 0.0;
        m_re[i] = std::isfinite(x) ? x * m_window[i] : 0.0;
        m_im[i] = 0.0;
    }
    CBandAnalyzer::Transform(m_re.get(), m_im.get());
    const double weight = m_frames == 0 ? 1.0 : kAveraging;
    for (int32_t k = 0; k < kBins; ++k) {
        const double power = m_re[k] * m_re[k] + m_im[k] * m_im[k];
        m_average[k] += weight * (power - m_average[k]);
    }
    ++m_frames;
    if (m_frames < kMinFrames) {
        return std::nullopt;
    }

    m_candidate = Search(halfShift);
    if (!m_candidate) {
        m_votes = 0;
        return std::nullopt;
    }
    if (m_votes > 0 && std::abs(*m_candidate - m_agreed) <= kAgreeHz) {
        m_agreed += (*m_candidate - m_agreed) / (m_votes + 1);
        ++m_votes;
    } else {
        m_agreed = *m_candidate;
        m_votes = 1;
    }
    if (m_votes < kVotesToRetune || std::abs(m_agreed - centre) <= kRetuneToleranceHz) {
        return std::nullopt;
    }
    m_votes = 0;
    return static_cast<int32_t>(std::lround(m_agreed));
}

double CTonePairSearch::HumpAt(double bin) const {
    const double floor = std::floor(bin);
    const auto k = static_cast<int32_t>(floor);
    if (k < 0 || k + 1 >= kBins) {
        return 0.0;
    }
    const double f = bin - floor;
    return m_hump[k] + f * (m_hump[k + 1] - m_hump[k]);
}

std::optional<double> CTonePairSearch::Search(double halfShift) {
    if (!(halfShift > 0.0)) {
        return std::nullopt;
    }
    const auto lowBin = static_cast<int32_t>(std::ceil(kLowestTone / kBinWidth));
    const auto highBin = static_cast<int32_t>(std::floor(kHighestTone / kBinWidth));
    // The noise floor: the median of the band, which a transmission's few
    // dozen bins do not move.
    const int32_t band = highBin - lowBin + 1;
    std::copy(m_average.get() + lowBin, m_average.get() + highBin + 1, m_scratch.get());
    std::nth_element(m_scratch.get(), m_scratch.get() + band / 2, m_scratch.get() + band);
    const double floor = m_scratch[band / 2];
    if (!(floor > 0.0)) {
        return std::nullopt;
    }
    for (int32_t k = 0; k < kBins; ++k) {
        double sum = 0.0;
        int32_t n = 0;
        for (int32_t j = std::max(0, k - kHumpHalfWidth);
             j <= std::min(kBins - 1, k + kHumpHalfWidth); ++j) {
            sum += m_average[j];
            ++n;
        }
        m_hump[k] = sum / n;
    }

    // Every centre whose tones lie in the band, in half bins; the best is
    // the pair with the most power in both humps.
    const double shiftBins = halfShift / kBinWidth;
    const double first = lowBin + shiftBins;
    const double last = highBin - shiftBins;
    double bestScore = 0.0;
    double bestBin = -1.0;
    for (int32_t step = 0; first + 0.5 * step <= last; ++step) {
        const double c = first + 0.5 * step;
        const double lower = HumpAt(c - shiftBins);
        const double upper = HumpAt(c + shiftBins);
        const double weaker = std::min(lower, upper);
        if (weaker < kToneOverFloor * floor || std::max(lower, upper) > kToneBalance * weaker) {
            continue;
        }
        if (lower + upper > bestScore) {
            bestScore = lower + upper;
            bestBin = c;
        }
    }
    if (bestBin < 0.0) {
        return std::nullopt;
    }
    // Each hump's centre of power above the floor places its tone within
    // a fraction of a bin; the pair's centre lies midway.
    double centres = 0.0;
    for (const double tone : {bestBin - shiftBins, bestBin + shiftBins}) {
        double moment = 0.0;
        double mass = 0.0;
        const auto from = static_cast<int32_t>(std::lround(tone)) - 2 * kHumpHalfWidth;
        for (int32_t k = std::max(from, 0); k <= std::min(from + 4 * kHumpHalfWidth, kBins - 1);
             ++k) {
            const double excess = std::max(m_average[k] - floor, 0.0);
            moment += excess * k;
            mass += excess;
        }
        centres += mass > 0.0 ? moment / mass : tone;
    }
    return centres / 2.0 * kBinWidth;
}

}  // namespace wavelore
