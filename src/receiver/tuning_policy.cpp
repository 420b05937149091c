#include "receiver/tuning_policy.h"

#include <algorithm>

#include "common/sample_rate.h"

namespace wavelore {

void CTuningPolicy::SetSearch(Search search) {
    if (search == m_search) {
        return;
    }
    m_search = search;
    // The valley search keeps its votes across a spell of the pair search,
    // which forgets its own spectra.
    if (search == Search::TonePair) {
        m_pair.Reset();
    }
}

std::optional<int32_t> CTuningPolicy::Process(const double* in, size_t n, int32_t centre,
                                              int32_t halfShift) {
    const bool analysed = m_analyzer.Process(in, n);
    if (!m_autoTune) {
        return std::nullopt;
    }
    // The pair search keeps its own spectra, of every buffer.
    if (m_search == Search::TonePair) {
        return m_pair.Process(in, n, centre, halfShift);
    }
    if (!analysed) {
        return std::nullopt;
    }
    return m_valley.Process(m_analyzer.History(), centre, halfShift);
}

int32_t CTuningPolicy::RetuneVotes() const {
    return m_search == Search::TonePair ? m_pair.Votes() : m_valley.Votes();
}

int32_t CTuningPolicy::Clamp(int32_t requested, int32_t halfShift) {
    return std::max(halfShift, std::min(kNyquist - halfShift, requested));
}

}  // namespace wavelore
