#include "display/band_scope.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/modes.h"
#include "common/numeric.h"

namespace wavelore {

void CBandScope::SetTuning(int32_t centre, int32_t halfShift) {
    m_centre = centre;
    m_halfShift = halfShift;
    m_tuned = true;
}

void CBandScope::SetSearch(Search search) {
    if (search == CurrentSearch()) {
        return;
    }
    // Short of memory the valley search stays.
    m_pairSearch.reset(search == Search::TonePair ? new (std::nothrow) CTonePairSearch() : nullptr);
}

std::optional<int32_t> CBandScope::ProcessBlock(const SampleBlock& block) {
    const bool analysed = m_analyzer.Process(block);
    if (analysed) {
        UpdateTrace();
    }
    if (!autoTune) {
        return std::nullopt;
    }
    // The pair search keeps its own spectra, of every block.
    if (m_pairSearch) {
        return m_pairSearch->Process(block, m_centre, m_halfShift);
    }
    if (!analysed) {
        return std::nullopt;
    }
    return m_search.Process(m_analyzer.History(), m_centre, m_halfShift);
}

void CBandScope::SetTrace(Trace trace) {
    m_trace = trace;
    m_traceStarted = false;
    if (trace == Trace::Plain) {
        m_traceLevels.reset();
    } else if (!m_traceLevels) {
        // Short of memory the plain spectrum is drawn.
        m_traceLevels.reset(new (std::nothrow) int32_t[kBins]);
    }
}

const int32_t* CBandScope::TraceLevels() const {
    if (m_trace == Trace::Plain || !m_traceLevels || !m_traceStarted) {
        return Spectrum();
    }
    return m_traceLevels.get();
}

void CBandScope::UpdateTrace() {
    const int32_t* spectrum = Spectrum();
    if (!m_traceLevels || spectrum == nullptr) {
        return;
    }
    int32_t* levels = m_traceLevels.get();
    if (!m_traceStarted) {
        std::copy(spectrum, spectrum + kBins, levels);
        m_traceStarted = true;
        return;
    }
    for (int32_t i = 0; i < kBins; ++i) {
        if (m_trace == Trace::Average) {
            levels[i] += (spectrum[i] - levels[i]) / kAverageBlocks;
        } else {
            levels[i] = std::max(spectrum[i], levels[i] - kPeakFall);
        }
    }
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
