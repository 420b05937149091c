#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/sample_block.h"
#include "signal/fir_filter.h"

namespace wavelore {

// What the spectrum strip shows and decides, without the painting: the
// logarithmic spectrum of each audio block, the ring of smoothed spectra the
// automatic tuning searches, the tuning markers, and the arithmetic that
// turns clicks and drags into retune requests. A retune request is a centre
// frequency for the main window (WM_SET_FREQUENCY); the analyser never
// changes its own tuning, that comes back through SetTuning.
class CBandScope {
  public:
    static constexpr int32_t kTransformLength = 2048;
    static constexpr int32_t kBins = 1024;
    static constexpr int32_t kHistoryRows = 20;
    static constexpr int32_t kSmoothingTaps = 63;
    // Bins 0..kFirstScaledBin-1 take no part in the normalisation.
    static constexpr int32_t kFirstScaledBin = 11;
    static constexpr int32_t kFullScale = 65535;
    // Hz per bin as the tuning search counts it: 11025/2048 rounded to 689/128.
    static constexpr double kSearchBinWidth = 689.0 / 128.0;

    CBandScope();
    CBandScope(const CBandScope&) = delete;
    CBandScope& operator=(const CBandScope&) = delete;

    // Automatic tuning search on or off (the SmartTune/AFC switches). The
    // history keeps filling while it is off.
    bool autoTune = true;

    // centre, halfShift: Hz; the tones are centre +/- halfShift.
    void SetTuning(int32_t centre, int32_t halfShift);
    int32_t GetCentre() const { return m_centre; }
    int32_t HalfShift() const { return m_halfShift; }

    // One block of raw samples (already scaled by 0.01); at most 2048 values
    // are taken. Computes the spectrum and, with autoTune, runs the search.
    // Returns the centre frequency to request when the search has voted for
    // a retune.
    std::optional<int32_t> ProcessBlock(const SampleBlock& block);

    // The displayed spectrum, kBins levels scaled to 0..65535 (bins 1..10
    // may lie outside; bin 0 is 0), or null before the first spectrum.
    const int32_t* Spectrum() const { return m_spectrum.get(); }
    // The levels in dB of the last spectrum, or null before the first.
    const double* Levels() const { return m_levels.get(); }
    // History row 0..19 (kBins smoothed levels), or null before the first block.
    const double* HistoryRow(int32_t row) const;
    int32_t FrameCounter() const { return m_frameCounter; }
    int32_t RetuneVotes() const { return m_retuneVotes; }

    // The tuning search over a full history (kHistoryRows x kBins values,
    // row after row): the centre frequency of the last two-tone pattern
    // found for the given half shift whose tones lie inside the band, or
    // none. work holds kBins values.
    static std::optional<int32_t> SearchCandidate(const double* history, int32_t halfShift,
                                                  double* work);

    // In-place complex transform of kTransformLength points (radix 2,
    // decimation in time, forward sign).
    static void Transform(double* re, double* im);

    // Mouse input on a strip `width` pixels wide. A press always requests a
    // frequency and starts a drag; a move requests one only while dragging.
    // fine: the Ctrl key, which moves the tuning 1 Hz per 5 pixels from the
    // press point instead of following the pointer.
    // A strip without width requests nothing.
    std::optional<int32_t> OnLeftButtonDown(int32_t x, int32_t y, int32_t width);
    std::optional<int32_t> OnMouseMove(int32_t x, bool fine, int32_t width);
    // Button release and loss of the mouse capture.
    void OnLeftButtonUp() { m_dragging = false; }
    bool Dragging() const { return m_dragging; }
    int32_t PressX() const { return m_pressX; }
    int32_t PressY() const { return m_pressY; }

    // Painting arithmetic. The column of a frequency on a strip `width`
    // pixels wide; the bin drawn at column x (column 0 shows bin 1, never
    // the DC bin); the row of a level on a trace `traceHeight` pixels high.
    static int32_t ColumnOfFrequency(int32_t frequency, int32_t width);
    static int32_t BinOfColumn(int32_t x, int32_t width);
    static int32_t RowOfLevel(int32_t level, int32_t traceHeight);

  private:
    bool Allocate();
    bool ComputeSpectrum();
    std::optional<int32_t> Vote(std::optional<int32_t> candidate);
    int32_t ClampMouseFrequency(float f) const;

    CFirFilter m_smoother;
    std::unique_ptr<double[]> m_samples;  // kTransformLength
    std::unique_ptr<double[]> m_history;  // kHistoryRows x kBins
    std::unique_ptr<double[]> m_re;       // kTransformLength, working
    std::unique_ptr<double[]> m_im;       // kTransformLength, working
    std::unique_ptr<double[]> m_levels;   // kBins
    std::unique_ptr<double[]> m_search;   // kBins, working
    std::unique_ptr<int32_t[]> m_spectrum;

    int32_t m_frameCounter = 1;
    int32_t m_centre = 0;
    int32_t m_halfShift = 0;
    int32_t m_retuneVotes = 0;
    bool m_dragging = false;
    int32_t m_pressX = 0;
    int32_t m_pressY = 0;
};

}  // namespace wavelore
