#include "display/band_scope.h"

#include <algorithm>
#include <cmath>

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
