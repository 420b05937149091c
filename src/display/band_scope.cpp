#include "display/band_scope.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/numeric.h"
#include "common/sample_rate.h"

namespace wavelore {

void CBandScope::SetTuning(int32_t centre, int32_t halfShift) {
    m_centre = centre;
    m_halfShift = halfShift;
    m_tuned = true;
}

void CBandScope::SetSpectrum(const int32_t* levels) {
    m_hasSpectrum = levels != nullptr;
    if (levels != nullptr) {
        std::copy(levels, levels + kBins, m_spectrum.begin());
    }
    UpdateTrace();
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
