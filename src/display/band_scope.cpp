#include "display/band_scope.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <numbers>

#include "common/modes.h"

namespace wavelore {

namespace {

// Level given to a bin whose transform is exactly zero, so that the
// logarithm stays finite (-160 dB).
constexpr double kZeroBinReal = 1e-8;

// The search pattern: two tone humps 30..59 bins apart, then a quiet
// stretch until more than 120 bins from the first hump.
constexpr int32_t kMinToneGap = 30;
constexpr int32_t kMaxToneGap = 60;
constexpr int32_t kPatternLength = 120;
// The smoothing filter delays each row by 31 bins and the candidate is
// taken 60 bins into the pattern; this brings it back to the centre.
constexpr int32_t kCandidateOffsetHz = 390;
// A candidate this close to the current centre gets no vote.
constexpr int32_t kRetuneToleranceHz = 10;
// Votes needed before a retune is requested.
constexpr int32_t kVotesToRetune = 4;

int32_t TruncToInt32(double v) {
    if (!(v > std::numeric_limits<int32_t>::min())) {
        return std::isnan(v) ? 0 : std::numeric_limits<int32_t>::min();
    }
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(v);
}

template <typename T>
std::unique_ptr<T[]> NewArray(int32_t count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]());
}

}  // namespace

CBandScope::CBandScope() {
    m_smoother.Design(kSmoothingTaps, 0.0, 0.15);
}

void CBandScope::SetTuning(int32_t centre, int32_t halfShift) {
    m_centre = centre;
    m_halfShift = halfShift;
}

const double* CBandScope::HistoryRow(int32_t row) const {
    if (!m_history || row < 0 || row >= kHistoryRows) {
        return nullptr;
    }
    return m_history.get() + static_cast<size_t>(row) * kBins;
}

bool CBandScope::Allocate() {
    if (!m_samples) {
        auto samples = NewArray<double>(kTransformLength);
        auto history = NewArray<double>(kHistoryRows * kBins);
        if (!samples || !history) {
            return false;
        }
        m_samples = std::move(samples);
        m_history = std::move(history);
    }
    return true;
}

std::optional<int32_t> CBandScope::ProcessBlock(const SampleBlock& block) {
    if (!Allocate()) {
        return std::nullopt;
    }
    const int32_t count = std::min(block.Count(), kTransformLength);
    if (count > 0) {
        std::copy(block.Data(), block.Data() + count, m_samples.get());
    }
    if (!ComputeSpectrum()) {
        return std::nullopt;
    }
    if (!autoTune) {
        return std::nullopt;
    }
    return Vote(SearchCandidate(m_history.get(), m_halfShift, m_search.get()));
}

bool CBandScope::ComputeSpectrum() {
    // Allocated once; a failure shows no trace until a later block succeeds
    // and leaves the history and frame counter as they are.
    if (!m_re) {
        m_re = NewArray<double>(kTransformLength);
    }
    if (!m_im) {
        m_im = NewArray<double>(kTransformLength);
    }
    if (!m_levels) {
        m_levels = NewArray<double>(kBins);
    }
    if (!m_search) {
        m_search = NewArray<double>(kBins);
    }
    if (!m_spectrum) {
        m_spectrum = NewArray<int32_t>(kBins);
    }
    if (!m_re || !m_im || !m_levels || !m_search || !m_spectrum) {
        m_spectrum.reset();
        return false;
    }
    double* x = m_re.get();
    double* im = m_im.get();
    std::copy(m_samples.get(), m_samples.get() + kTransformLength, x);
    std::fill(im, im + kTransformLength, 0.0);

    // Emphasis: a three-point high-pass run in place, so each point sees
    // its already filtered left neighbour; the ends average with their
    // original inner neighbour.
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

    m_smoother.Filter(row, kBins);
    ++m_frameCounter;
    return true;
}

std::optional<int32_t> CBandScope::SearchCandidate(const double* history, int32_t halfShift,
                                                   double* a) {
    double total = 0.0;
    for (int32_t k = 0; k < kBins; ++k) {
        double sum = 0.0;
        for (int32_t r = 0; r < kHistoryRows; ++r) {
            sum += history[static_cast<size_t>(r) * kBins + k];
        }
        a[k] = sum * 0.05;
        total += a[k];
    }
    const double mean = total / kBins;

    const int32_t d = TruncToInt32(2.0 * halfShift * 128.0 / 689.0);
    if (d < 0 || d >= kBins) {
        return std::nullopt;
    }
    const int32_t n = kBins - d;
    // Tone at k but not a shift above it: the lower tone of a pair.
    for (int32_t k = 0; k < n; ++k) {
        a[k] = 7.0 * (a[k] - a[k + d]) - mean;
    }

    enum State { kIdle, kFirstHump, kGap, kSecondHump, kQuiet };
    State s = kIdle;
    int32_t g = 0;
    std::optional<int32_t> found;
    for (int32_t k = 0; k < n; ++k) {
        const double v = a[k] + a[k + d];
        a[k] = v;
        // A state that changes applies its successor's test to the same
        // value at once. Each state is tested at most once per bin, which
        // keeps a negative mean (where V > M and V < M/2 can both hold)
        // from cycling forever.
        unsigned tested = 0;
        while ((tested & (1u << s)) == 0) {
            tested |= 1u << s;
            const State before = s;
            switch (s) {
                case kIdle:
                    if (v > mean) {
                        g = k;
                        s = kFirstHump;
                    }
                    break;
                case kFirstHump:
                    if (v < mean / 2) {
                        s = kGap;
                    }
                    break;
                case kGap:
                    if (v > mean) {
                        s = kSecondHump;
                    }
                    break;
                case kSecondHump:
                    if (v < mean / 2) {
                        s = (k - g >= kMinToneGap && k - g < kMaxToneGap) ? kQuiet : kIdle;
                    }
                    break;
                case kQuiet:
                    if (v >= mean) {
                        s = kIdle;
                    } else if (k - g > kPatternLength) {
                        const int32_t c = g + (k - g) / 2;
                        const int32_t f = TruncToInt32(c * kSearchBinWidth) - kCandidateOffsetHz;
                        // The offset can put a pattern near the bottom of the
                        // spectrum below 0 Hz; a pair whose tones would lie
                        // outside the band is no transmission, and retuning to
                        // it would drag the receiver to the band edge.
                        if (f >= halfShift && f <= kNyquist - halfShift) {
                            found = f;
                        }
                        s = kIdle;
                    }
                    break;
            }
            if (s == before) {
                break;
            }
        }
    }
    return found;
}

std::optional<int32_t> CBandScope::Vote(std::optional<int32_t> candidate) {
    // Votes outlive frames without a candidate or with one on tune, so a
    // transmission that is found only now and then still pulls the tuning.
    if (!candidate || std::abs(static_cast<int64_t>(*candidate) - m_centre) <= kRetuneToleranceHz) {
        return std::nullopt;
    }
    if (++m_retuneVotes < kVotesToRetune) {
        return std::nullopt;
    }
    m_retuneVotes = 0;
    return candidate;
}

void CBandScope::Transform(double* re, double* im) {
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

int32_t CBandScope::ClampMouseFrequency(float f) const {
    const float low = static_cast<float>(m_halfShift + 1);
    const float high = static_cast<float>(kNyquist - m_halfShift - 1);
    return TruncToInt32(std::max(low, std::min(high, f)));
}

std::optional<int32_t> CBandScope::OnLeftButtonDown(int32_t x, int32_t y, int32_t width) {
    if (width <= 0) {
        return std::nullopt;
    }
    m_pressX = x;
    m_pressY = y;
    m_dragging = true;
    const float f = static_cast<float>(x) / static_cast<float>(width) * kNyquist;
    return ClampMouseFrequency(f);
}

std::optional<int32_t> CBandScope::OnMouseMove(int32_t x, bool fine, int32_t width) {
    if (!m_dragging || width <= 0) {
        return std::nullopt;
    }
    float f;
    if (fine) {
        // 1 Hz for every 5 pixels away from the press point.
        f = static_cast<float>(m_pressX) / static_cast<float>(width) * kNyquist -
            static_cast<float>((m_pressX - x) / 5);
    } else {
        f = static_cast<float>(x) / static_cast<float>(width) * kNyquist;
    }
    return ClampMouseFrequency(f);
}

int32_t CBandScope::ColumnOfFrequency(int32_t frequency, int32_t width) {
    if (width <= 0) {
        return 0;
    }
    return TruncToInt32(frequency / (static_cast<double>(kNyquist) / width));
}

int32_t CBandScope::BinOfColumn(int32_t x, int32_t width) {
    if (x <= 0 || width <= 0) {
        return 1;
    }
    return std::min(kBins - 1, TruncToInt32(x * static_cast<double>(kBins) / width));
}

int32_t CBandScope::RowOfLevel(int32_t level, int32_t traceHeight) {
    return TruncToInt32(traceHeight - std::trunc(level * (traceHeight / 65536.0)));
}

}  // namespace wavelore
