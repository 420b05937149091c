#pragma once

#include <cstdint>
#include <memory>

#include "common/sample_block.h"
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

    // One block of raw samples (already scaled by 0.01); at most 2048 values
    // are taken. False when memory was short: then no spectrum is shown
    // until a later block succeeds, and the history stays as it was.
    bool Process(const SampleBlock& block);

    // The displayed spectrum, kBins levels scaled to 0..65535 (bins 1..10
    // may lie outside; bin 0 is 0), or null before the first spectrum.
    const int32_t* Spectrum() const { return m_spectrum.get(); }
    // The levels in dB of the last spectrum, or null before the first.
    const double* Levels() const { return m_levels.get(); }
    // All kHistoryRows rows of kBins smoothed levels, row after row, or
    // null before the first block.
    const double* History() const { return m_history.get(); }
    // History row 0..19, or null before the first block.
    const double* HistoryRow(int32_t row) const;
    int32_t FrameCounter() const { return m_frameCounter; }

    // In-place complex transform of kTransformLength points (radix 2,
    // decimation in time, forward sign).
    static void Transform(double* re, double* im);

  private:
    bool Allocate();
    bool ComputeSpectrum();

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
