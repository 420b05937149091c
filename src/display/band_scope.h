#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/sample_block.h"
#include "dsp/band_analyzer.h"
#include "dsp/tone_pair_search.h"
#include "dsp/tuning_search.h"

namespace wavelore {

// What the spectrum strip shows and decides, without the painting: the
// analysis and tuning search of each audio block, the tuning markers, and
// the arithmetic that turns clicks and drags into retune requests. A retune
// request is a centre frequency for the main window (WM_SET_FREQUENCY); the
// strip never changes its own tuning, that comes back through SetTuning.
class CBandScope {
  public:
    static constexpr int32_t kBins = CBandAnalyzer::kBins;

    CBandScope() = default;
    CBandScope(const CBandScope&) = delete;
    CBandScope& operator=(const CBandScope&) = delete;

    // Automatic tuning search on or off (the SmartTune/AFC switches). The
    // history keeps filling while it is off.
    bool autoTune = true;

    // Which tuning search runs: the valley between the tones in the
    // spectrum history, or the weak-signal chain's search for the two tones
    // themselves, which also finds clean signals.
    enum class Search { Valley, TonePair };
    // A search chosen again starts afresh.
    void SetSearch(Search search);
    Search CurrentSearch() const { return m_pairSearch ? Search::TonePair : Search::Valley; }

    // centre, halfShift: Hz; the tones are centre +/- halfShift.
    void SetTuning(int32_t centre, int32_t halfShift);
    int32_t GetCentre() const { return m_centre; }
    int32_t HalfShift() const { return m_halfShift; }
    // False until the first SetTuning: until then the strip takes no mouse
    // input.
    bool Tuned() const { return m_tuned; }

    // One block of raw samples (already scaled by 0.01). Computes the
    // spectrum and, with autoTune, runs the search. Returns the centre
    // frequency to request when the search has voted for a retune.
    std::optional<int32_t> ProcessBlock(const SampleBlock& block);

    const CBandAnalyzer& Analyzer() const { return m_analyzer; }
    // The displayed spectrum (see CBandAnalyzer), or null before the first.
    const int32_t* Spectrum() const { return m_analyzer.Spectrum(); }
    int32_t RetuneVotes() const { return m_pairSearch ? m_pairSearch->Votes() : m_search.Votes(); }

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
    int32_t ClampMouseFrequency(float f) const;

    CBandAnalyzer m_analyzer;
    CTuningSearch m_search;
    std::unique_ptr<CTonePairSearch> m_pairSearch;  // while chosen
    int32_t m_centre = 0;
    int32_t m_halfShift = 0;
    bool m_tuned = false;
    bool m_dragging = false;
    int32_t m_pressX = 0;
    int32_t m_pressY = 0;
};

}  // namespace wavelore
