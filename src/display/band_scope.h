#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "display/tuning_pointer.h"
#include "dsp/band_analyzer.h"

namespace wavelore {

// What the spectrum strip shows, without the painting: the spectrum of the
// last buffer, the tuning markers, and the arithmetic that turns clicks and
// drags into retune requests. A retune request is a centre frequency for
// the main window (WM_SET_FREQUENCY); the strip never changes its own
// tuning, that comes back through SetTuning. The spectrum and the automatic
// tuning are computed by the receiver (CTuningPolicy); the strip only shows
// them.
class CBandScope {
  public:
    static constexpr int32_t kBins = CBandAnalyzer::kBins;

    CBandScope() = default;
    CBandScope(const CBandScope&) = delete;
    CBandScope& operator=(const CBandScope&) = delete;

    // centre, halfShift: Hz; the tones are centre +/- halfShift.
    void SetTuning(int32_t centre, int32_t halfShift);
    int32_t GetCentre() const { return m_centre; }
    int32_t HalfShift() const { return m_halfShift; }
    // False until the first SetTuning: until then the strip takes no mouse
    // input.
    bool Tuned() const { return m_tuned; }

    // The spectrum to show: kBins levels as CBandAnalyzer::Spectrum
    // gives them (copied), or null for none. Also feeds the trace.
    void SetSpectrum(const int32_t* levels);
    // The spectrum shown, or null before the first.
    const int32_t* Spectrum() const { return m_hasSpectrum ? m_spectrum.data() : nullptr; }

    // What the trace shows: each block's spectrum as it is (the default),
    // a running average that calms the noise, or the peaks, held and let
    // fall slowly so that a short signal stays visible.
    enum class Trace { Plain = 0, Average = 1, PeakHold = 2 };
    // A trace chosen again starts afresh from the next spectrum.
    void SetTrace(Trace trace);
    Trace CurrentTrace() const { return m_trace; }
    // The levels to draw (kBins, like Spectrum), or null before the first.
    const int32_t* TraceLevels() const;
    // Weight of each new spectrum in the average: 1/kAverageBlocks (about
    // 0.7 s of blocks).
    static constexpr int32_t kAverageBlocks = 4;
    // How far a held peak falls per block: full scale in about 18 s.
    static constexpr int32_t kPeakFall = CBandAnalyzer::kFullScale / 100;

    // Mouse input on a strip `width` pixels wide. A press always requests a
    // frequency and starts a drag; a move requests one only while dragging.
    // fine: the Ctrl key, which moves the tuning 1 Hz per 5 pixels from the
    // press point instead of following the pointer.
    // A strip without width requests nothing.
    std::optional<int32_t> OnLeftButtonDown(int32_t x, int32_t y, int32_t width) {
        return m_pointer.OnLeftButtonDown(x, y, width, m_halfShift);
    }
    std::optional<int32_t> OnMouseMove(int32_t x, bool fine, int32_t width) {
        return m_pointer.OnMouseMove(x, fine, width, m_halfShift);
    }
    // Button release and loss of the mouse capture.
    void OnLeftButtonUp() { m_pointer.OnLeftButtonUp(); }
    bool Dragging() const { return m_pointer.Dragging(); }
    int32_t PressX() const { return m_pointer.PressX(); }
    int32_t PressY() const { return m_pointer.PressY(); }
    CTuningPointer& Pointer() { return m_pointer; }

    // Painting arithmetic. The column of a frequency on a strip `width`
    // pixels wide; the bin drawn at column x (column 0 shows bin 1, never
    // the DC bin); the row of a level on a trace `traceHeight` pixels high.
    static int32_t ColumnOfFrequency(int32_t frequency, int32_t width);
    static int32_t BinOfColumn(int32_t x, int32_t width);
    static int32_t RowOfLevel(int32_t level, int32_t traceHeight);

  private:
    void UpdateTrace();

    std::array<int32_t, kBins> m_spectrum{};
    bool m_hasSpectrum = false;
    int32_t m_centre = 0;
    int32_t m_halfShift = 0;
    bool m_tuned = false;
    CTuningPointer m_pointer;
    Trace m_trace = Trace::Plain;
    std::unique_ptr<int32_t[]> m_traceLevels;  // kBins, while averaging or holding
    bool m_traceStarted = false;
};

}  // namespace wavelore
