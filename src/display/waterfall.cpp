#include "display/waterfall.h"

#include <algorithm>
#include <new>

namespace wavelore {

namespace {

constexpr int32_t kMaxRows = 4096;

struct ColourStop {
    int32_t index;
    uint8_t r, g, b;
};
// Each stop brighter than the one before (luminance 0, 12, 83, 176, 237,
// 255), so the map is readable without its hues.
constexpr ColourStop kStops[] = {
    {0, 0, 0, 0},       {64, 0, 0, 160},    {128, 0, 90, 255},
    {176, 0, 220, 255}, {224, 255, 255, 0}, {255, 255, 255, 255},
};

constexpr uint32_t Interpolate(int32_t index) {
    for (size_t i = 1; i < std::size(kStops); ++i) {
        const ColourStop& a = kStops[i - 1];
        const ColourStop& b = kStops[i];
        if (index <= b.index) {
            const int32_t span = b.index - a.index;
            const int32_t t = index - a.index;
            const auto mix = [&](uint8_t from, uint8_t to) {
                return static_cast<uint32_t>(from + (to - from) * t / span);
            };
            return 0xFF000000u | mix(a.r, b.r) << 16 | mix(a.g, b.g) << 8 | mix(a.b, b.b);
        }
    }
    return 0xFFFFFFFFu;
}

constexpr std::array<uint32_t, CWaterfall::kColours> MakePalette() {
    std::array<uint32_t, CWaterfall::kColours> palette{};
    for (int32_t i = 0; i < CWaterfall::kColours; ++i) {
        palette[static_cast<size_t>(i)] = Interpolate(i);
    }
    return palette;
}

constexpr std::array<uint32_t, CWaterfall::kColours> kPalette = MakePalette();

}  // namespace

CWaterfall::CWaterfall(int32_t rows)
    : m_capacity(std::clamp(rows, 1, kMaxRows)),
      m_rows(new (std::nothrow) uint8_t[static_cast<size_t>(m_capacity) * kBins]) {}

uint8_t CWaterfall::ColourIndex(int32_t level) {
    return static_cast<uint8_t>(std::clamp(level, 0, CBandAnalyzer::kFullScale) >> 8);
}

uint32_t CWaterfall::Colour(uint8_t index) {
    return kPalette[index];
}

void CWaterfall::AddSpectrum(const int32_t* levels) {
    if (levels == nullptr || !m_rows) {
        return;
    }
    m_newest = (m_newest + 1) % m_capacity;
    uint8_t* row = m_rows.get() + static_cast<size_t>(m_newest) * kBins;
    for (int32_t i = 0; i < kBins; ++i) {
        row[i] = ColourIndex(levels[i]);
    }
    m_filled = std::min(m_filled + 1, m_capacity);
    ++m_added;
}

const uint8_t* CWaterfall::Row(int32_t age) const {
    if (age < 0 || age >= m_filled) {
        return nullptr;
    }
    const int32_t slot = (m_newest - age + m_capacity) % m_capacity;
    return m_rows.get() + static_cast<size_t>(slot) * kBins;
}

void CWaterfall::RenderRow(int32_t age, int32_t width, uint32_t* out) const {
    const uint8_t* row = Row(age);
    for (int32_t x = 0; x < width; ++x) {
        out[x] = row == nullptr ? kPalette[0] : kPalette[row[CBandScope::BinOfColumn(x, width)]];
    }
}

void CWaterfall::SetTuning(int32_t centre, int32_t halfShift) {
    m_centre = centre;
    m_halfShift = halfShift;
    m_tuned = true;
}

int32_t CWaterfall::CentreColumn(int32_t width) const {
    return CBandScope::ColumnOfFrequency(m_centre, width);
}

std::array<int32_t, 2> CWaterfall::ToneColumns(int32_t width) const {
    return {CBandScope::ColumnOfFrequency(m_centre - m_halfShift, width),
            CBandScope::ColumnOfFrequency(m_centre + m_halfShift, width)};
}

std::optional<int32_t> CWaterfall::OnLeftButtonDown(int32_t x, int32_t y, int32_t width) {
    return m_pointer.OnLeftButtonDown(x, y, width, m_halfShift);
}

std::optional<int32_t> CWaterfall::OnMouseMove(int32_t x, bool fine, int32_t width) {
    return m_pointer.OnMouseMove(x, fine, width, m_halfShift);
}

}  // namespace wavelore
