#include "display/level_meter.h"

#include <algorithm>
#include <cmath>

#include "common/modes.h"

namespace wavelore {

namespace {

// 16-bit sound: full scale as the chain sees it, and the least a clipped
// sample reads (32767 or -32768).
constexpr double kFullScale = 32768.0 * kSampleScale;
constexpr double kClipLevel = 32767.0 * kSampleScale;

}  // namespace

void CLevelMeter::Process(const SampleBlock& block) {
    if (block.Empty()) {
        return;
    }
    double peak = 0.0;
    for (int32_t i = 0; i < block.Count(); ++i) {
        peak = std::max(peak, std::fabs(block[i]));
    }
    m_peakDb = peak > 0.0 ? std::max(kFloorDb, 20.0 * std::log10(peak / kFullScale)) : kFloorDb;
    if (m_peakDb >= m_heldDb) {
        m_heldDb = m_peakDb;
        m_holdBlocks = kPeakHoldBlocks;
    } else if (m_holdBlocks > 0) {
        --m_holdBlocks;
    } else {
        m_heldDb = std::max(m_peakDb, m_heldDb - kPeakFallDb);
    }
    // Rounding of the scale must not hide a clipped sample.
    if (peak >= kClipLevel - 1e-9) {
        m_clipBlocks = kClipHoldBlocks;
    } else if (m_clipBlocks > 0) {
        --m_clipBlocks;
    }
}

void CLevelMeter::Reset() {
    m_peakDb = kFloorDb;
    m_heldDb = kFloorDb;
    m_holdBlocks = 0;
    m_clipBlocks = 0;
    m_chain.reset();
}

double CLevelMeter::Fraction(double db) {
    return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0);
}

std::optional<double> CLevelMeter::SignalToNoiseDb() const {
    if (!m_chain || !(m_chain->signalToNoise > 0.0)) {
        return std::nullopt;
    }
    return 10.0 * std::log10(m_chain->signalToNoise);
}

}  // namespace wavelore
