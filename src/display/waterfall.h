#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "display/band_scope.h"
#include "display/tuning_pointer.h"

namespace wavelore {

// What the waterfall shows and decides, without the painting: the last
// spectra as rows of colour indexes, newest first, across 0 to 5512 Hz as
// the spectrum strip draws them; the centre and tone markers; and clicks
// and drags turned into retune requests exactly as on the strip.
//
// The colour map runs from black through blue and cyan to yellow and
// white with a brightness that only rises, so a signal reads as a bright
// line on a laptop in sunlight, where hues wash out and brightness stays.
class CWaterfall {
  public:
    static constexpr int32_t kBins = CBandScope::kBins;
    static constexpr int32_t kColours = 256;
    // Taller than any screen the window is shown on.
    static constexpr int32_t kDefaultRows = 1024;

    // rows: how many spectra are kept, 1 to 4096 (clamped).
    explicit CWaterfall(int32_t rows = kDefaultRows);
    CWaterfall(const CWaterfall&) = delete;
    CWaterfall& operator=(const CWaterfall&) = delete;

    // False when its rows could not be had: it then shows nothing.
    bool Ready() const { return m_rows != nullptr; }

    // One spectrum of kBins levels scaled 0..65535 (CBandScope::Spectrum or
    // TraceLevels); null is ignored. Levels outside the scale are clamped.
    void AddSpectrum(const int32_t* levels);
    void Clear() { m_filled = 0; }

    int32_t Capacity() const { return m_capacity; }
    // Rows held, at most Capacity.
    int32_t Filled() const { return m_filled; }
    // Spectra added since construction: lets a painter see how many rows
    // are new since it last looked.
    uint64_t Added() const { return m_added; }
    // kBins colour indexes of a row, age 0 the newest; null past Filled.
    const uint8_t* Row(int32_t age) const;

    static uint8_t ColourIndex(int32_t level);
    // 0xFFRRGGBB.
    static uint32_t Colour(uint8_t index);
    // Row `age` across `width` pixels into out (width colours), each column
    // showing the bin the strip draws there; black past Filled.
    void RenderRow(int32_t age, int32_t width, uint32_t* out) const;

    // centre, halfShift: Hz, the tones are centre +/- halfShift. Until the
    // first call the waterfall takes no mouse input.
    void SetTuning(int32_t centre, int32_t halfShift);
    bool Tuned() const { return m_tuned; }
    int32_t GetCentre() const { return m_centre; }
    int32_t HalfShift() const { return m_halfShift; }
    int32_t CentreColumn(int32_t width) const;
    // The lower and the upper tone.
    std::array<int32_t, 2> ToneColumns(int32_t width) const;

    // As CBandScope's: requests, never a change of the markers.
    std::optional<int32_t> OnLeftButtonDown(int32_t x, int32_t y, int32_t width);
    std::optional<int32_t> OnMouseMove(int32_t x, bool fine, int32_t width);
    void OnLeftButtonUp() { m_pointer.OnLeftButtonUp(); }
    bool Dragging() const { return m_pointer.Dragging(); }
    CTuningPointer& Pointer() { return m_pointer; }

  private:
    int32_t m_capacity;
    std::unique_ptr<uint8_t[]> m_rows;  // m_capacity x kBins, a ring
    int32_t m_newest = 0;               // ring slot of age 0
    int32_t m_filled = 0;
    uint64_t m_added = 0;
    int32_t m_centre = 0;
    int32_t m_halfShift = 0;
    bool m_tuned = false;
    CTuningPointer m_pointer;
};

}  // namespace wavelore
