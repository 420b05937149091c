#include "dsp/tuning_search.h"

#include <cstdlib>

#include "common/nothrow.h"
#include "common/numeric.h"

namespace wavelore {

namespace {

constexpr int32_t kSearchBins = CBandAnalyzer::kBins;
constexpr int32_t kSearchRows = CBandAnalyzer::kHistoryRows;
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

}  // namespace

CTuningSearch::CTuningSearch() : m_work(NewArray<double>(kSearchBins)) {}

std::optional<int32_t> CTuningSearch::Process(const double* history, int32_t centre,
                                              int32_t halfShift) {
    if (history == nullptr || !m_work) {
        return std::nullopt;
    }
    return Vote(Candidate(history, halfShift, m_work.get()), centre);
}

std::optional<int32_t> CTuningSearch::Candidate(const double* history, int32_t halfShift,
                                                double* a) {
    double total = 0.0;
    for (int32_t k = 0; k < kSearchBins; ++k) {
        double sum = 0.0;
        for (int32_t r = 0; r < kSearchRows; ++r) {
            sum += history[static_cast<size_t>(r) * kSearchBins + k];
        }
        a[k] = sum * 0.05;
        total += a[k];
    }
    const double mean = total / kSearchBins;

    // The shift in bins. kBinWidth is exact in binary, so this is the
    // quotient 2 halfShift 128 / 689 rounded once, as the search counts it.
    const int32_t d = TruncToInt32(2.0 * halfShift / kBinWidth);
    if (d < 0 || d >= kSearchBins) {
        return std::nullopt;
    }
    const int32_t n = kSearchBins - d;
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
                        const int32_t f = TruncToInt32(c * kBinWidth) - kCandidateOffsetHz;
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

std::optional<int32_t> CTuningSearch::Vote(std::optional<int32_t> candidate, int32_t centre) {
    // Votes outlive frames without a candidate or with one on tune, so a
    // transmission that is found only now and then still pulls the tuning.
    if (!candidate || std::abs(static_cast<int64_t>(*candidate) - centre) <= kRetuneToleranceHz) {
        return std::nullopt;
    }
    if (++m_votes < kVotesToRetune) {
        return std::nullopt;
    }
    m_votes = 0;
    return candidate;
}

}  // namespace wavelore
