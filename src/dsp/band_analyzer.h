#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "dsp/fir_filter.h"

namespace wavelore {

// The spectrum strip's analysis: the logarithmic spectrum of each audio
// block scaled to 0..65535, and the ring of the last 20 smoothed spectra
// that the tuning search reads.
class CBandAnalyzer {
  public:
    static constexpr int32_t kTransformLength = 2048;
    static constexpr int32_t kBins = 1024;
    static constexpr int32_t kHistoryRows = 20;
    static constexpr int32_t kSmoothingTaps = 63;
    // Bins 0..kFirstScaledBin-1 take no part in the normalisation.
    static constexpr int32_t kFirstScaledBin = 11;
    static constexpr int32_t kFullScale = 65535;

    CBandAnalyzer();
    CBandAnalyzer(const CBandAnalyzer&) = delete;
    CBandAnalyzer& operator=(const CBandAnalyzer&) = delete;

    // n raw samples (already scaled by 0.01); at most 2048 are taken, and
    // fewer leave the rest of the transform as the last block had it.
    // False when there was no memory for the analysis at construction: then
    // no spectrum is ever shown.
    bool Process(const double* in, size_t n);

    // No samples, no spectrum, an empty history and the first frame.
    void Reset();

    // The displayed spectrum, kBins levels scaled to 0..65535 (bins 1..10
    // may lie outside; bin 0 is 0), or null before the first spectrum.
    const int32_t* Spectrum() const { return m_frameCounter > 1 ? m_spectrum.get() : nullptr; }
    // The levels in dB of the last spectrum, or null before the first.
    const double* Levels() const { return m_frameCounter > 1 ? m_levels.get() : nullptr; }
    // All kHistoryRows rows of kBins smoothed levels, row after row, or
    // null before the first block.
    const double* History() const { return m_frameCounter > 1 ? m_history.get() : nullptr; }
    // History row 0..19, or null before the first block.
    const double* HistoryRow(int32_t row) const;
    int32_t FrameCounter() const { return m_frameCounter; }

    // In-place complex transform of kTransformLength points (radix 2,
    // decimation in time, forward sign).
    static void Transform(double* re, double* im);

  private:
    void ComputeSpectrum();

    CFirFilter m_smoother;
    std::unique_ptr<double[]> m_samples;  // kTransformLength
    std::unique_ptr<double[]> m_history;  // kHistoryRows x kBins
    std::unique_ptr<double[]> m_re;       // kTransformLength, working
    std::unique_ptr<double[]> m_im;       // kTransformLength, working
    std::unique_ptr<double[]> m_levels;   // kBins
    std::unique_ptr<int32_t[]> m_spectrum;
    int32_t m_frameCounter = 1;
};

}  // namespace wavelore
