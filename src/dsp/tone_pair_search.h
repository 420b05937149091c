#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "common/sample_rate.h"
#include "dsp/band_analyzer.h"

namespace wavelore {

// The weak-signal chain's tuning search: finds the two tones of an FSK
// transmission between 300 and 3000 Hz in the averaged power spectrum of
// the last second or two, clean or noisy, as the pair of humps a shift
// apart that both stand out of the noise floor; once a few frames in a row
// agree on a centre off the tuning, asks for a retune to it. Unlike the
// valley search of the spectrum strip it does not need a gap between the
// tones, which the keying sidebands of a clean signal fill.
class CTonePairSearch {
  public:
    // Hz per bin of the 2048-point transform.
    static constexpr double kBinWidth =
        double(kSampleRate) / double(CBandAnalyzer::kTransformLength);
    // Where the tones may lie, Hz.
    static constexpr double kLowestTone = 300.0;
    static constexpr double kHighestTone = 3000.0;

    CTonePairSearch();
    CTonePairSearch(const CTonePairSearch&) = delete;
    CTonePairSearch& operator=(const CTonePairSearch&) = delete;

    // n raw samples (as the spectrum gets them; at most 2048 are used, fewer
    // are padded with silence); centre and halfShift (Hz) are the tuning in
    // force. Returns the centre frequency (Hz) to retune to when the search
    // calls for it.
    std::optional<int32_t> Process(const double* in, size_t n, int32_t centre, int32_t halfShift);

    // Nothing averaged, no candidate, no votes.
    void Reset();

    // The centre of the tone pair found in the last frame, Hz, if any.
    std::optional<double> Candidate() const { return m_candidate; }
    int32_t Votes() const { return m_votes; }

  private:
    std::optional<double> Search(double halfShift);
    // Mean power of the bins within a hump's width around a fractional bin.
    double HumpAt(double bin) const;

    std::unique_ptr<double[]> m_window;
    std::unique_ptr<double[]> m_re;
    std::unique_ptr<double[]> m_im;
    std::unique_ptr<double[]> m_average;  // power per bin, averaged over frames
    std::unique_ptr<double[]> m_hump;     // m_average smoothed over a hump's width
    std::unique_ptr<double[]> m_scratch;
    int32_t m_frames = 0;
    std::optional<double> m_candidate;
    double m_agreed = 0.0;  // mean of the candidates that agreed in a row
    int32_t m_votes = 0;
};

}  // namespace wavelore
