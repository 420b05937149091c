#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/sample_rate.h"
#include "dsp/band_analyzer.h"

namespace wavelore {

// SmartTune: looks for the two-tone pattern of an FSK transmission in the
// average of the spectrum history and, once the same off-tune candidate has
// been found four times, asks for a retune to it.
class CTuningSearch {
  public:
    // Hz per bin as the search counts it: the transform's bin width in
    // whole 128ths of a hertz (689/128 for 11025/2048).
    static constexpr double kBinWidth =
        double(kSampleRate * 128 / CBandAnalyzer::kTransformLength) / 128.0;

    CTuningSearch();
    CTuningSearch(const CTuningSearch&) = delete;
    CTuningSearch& operator=(const CTuningSearch&) = delete;

    // One frame: history holds the analyser's 20 x 1024 smoothed levels;
    // centre and halfShift (Hz) are the tuning in force. Returns the centre
    // frequency to request when the votes call for a retune.
    std::optional<int32_t> Process(const double* history, int32_t centre, int32_t halfShift);

    // No votes.
    void Reset() { m_votes = 0; }

    int32_t Votes() const { return m_votes; }

    // The search alone: the centre frequency of the last two-tone pattern
    // found for the half shift whose tones lie inside the band, or none.
    // work holds 1024 values.
    static std::optional<int32_t> Candidate(const double* history, int32_t halfShift, double* work);

  private:
    std::optional<int32_t> Vote(std::optional<int32_t> candidate, int32_t centre);

    std::unique_ptr<double[]> m_work;
    int32_t m_votes = 0;
};

}  // namespace wavelore
