#include "common/chain_quality.h"

#include <algorithm>
#include <cmath>

namespace wavelore {

namespace {

constexpr int64_t kGiven = 1;
constexpr int64_t kLocked = 2;
constexpr double kScale = 1000.0;
// Far above any signal, and far inside int64_t.
constexpr double kLargestRatio = 1e12;

}  // namespace

void SetChainQuality(Message& message, const std::optional<ChainQuality>& quality) {
    if (!quality) {
        message.wParam = 0;
        message.lParam = 0;
        return;
    }
    // A figure that is no number says nothing, rather than overflow.
    const double ratio = std::isfinite(quality->signalToNoise)
                             ? std::clamp(quality->signalToNoise, 0.0, kLargestRatio)
                             : 0.0;
    message.wParam = std::llround(ratio * kScale);
    message.lParam = kGiven | (quality->locked ? kLocked : 0);
}

std::optional<ChainQuality> ChainQualityOf(const Message& message) {
    if ((message.lParam & kGiven) == 0) {
        return std::nullopt;
    }
    return ChainQuality{static_cast<double>(message.wParam) / kScale,
                        (message.lParam & kLocked) != 0};
}

}  // namespace wavelore
