#include "display/tuning_pointer.h"

#include <algorithm>

#include "common/modes.h"
#include "common/numeric.h"
#include "display/band_scope.h"

namespace wavelore {

namespace {

constexpr int32_t kTickStep = 100;    // Hz
constexpr int32_t kMajorTick = 1000;  // Hz
constexpr int32_t kMaxTick = 5500;    // Hz

}  // namespace

int32_t CTuningPointer::Highest(int32_t halfShift) {
    return kNyquist - halfShift - 1;
}

int32_t CTuningPointer::Clamp(float frequency, int32_t halfShift) {
    const float low = static_cast<float>(Lowest(halfShift));
    const float high = static_cast<float>(Highest(halfShift));
    return TruncToInt32(std::max(low, std::min(high, frequency)));
}

std::optional<int32_t> CTuningPointer::OnLeftButtonDown(int32_t x, int32_t y, int32_t width,
                                                        int32_t halfShift) {
    if (width <= 0) {
        return std::nullopt;
    }
    m_pressX = x;
    m_pressY = y;
    m_dragging = true;
    const float f = static_cast<float>(x) / static_cast<float>(width) * kNyquist;
    return Clamp(f, halfShift);
}

std::optional<int32_t> CTuningPointer::OnMouseMove(int32_t x, bool fine, int32_t width,
                                                   int32_t halfShift) {
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
    return Clamp(f, halfShift);
}

std::vector<FrequencyTick> FrequencyTicks(int32_t width) {
    std::vector<FrequencyTick> ticks;
    for (int32_t f = 0; f <= kMaxTick; f += kTickStep) {
        ticks.push_back({CBandScope::ColumnOfFrequency(f, width), f, f % kMajorTick == 0});
    }
    return ticks;
}

}  // namespace wavelore
