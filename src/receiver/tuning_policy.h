#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "dsp/band_analyzer.h"
#include "dsp/tone_pair_search.h"
#include "dsp/tuning_search.h"
#include "receiver/receive_chain.h"

namespace wavelore {

// The automatic tuning of one receiver (the SmartTune and AFC switches):
// the spectrum of every sound buffer, and the search that finds the two
// tones of a transmission in it and votes for a retune. Both programs run
// it on the buffers the decoder thread sends; the window paints the
// spectrum it computed.
class CTuningPolicy {
  public:
    // The valley between the tones in the spectrum history, or the
    // weak-signal chain's search for the two tones themselves, which also
    // finds clean signals.
    enum class Search { Valley, TonePair };

    CTuningPolicy() = default;
    CTuningPolicy(const CTuningPolicy&) = delete;
    CTuningPolicy& operator=(const CTuningPolicy&) = delete;

    // A search chosen anew starts afresh.
    void SetSearch(Search search);
    Search CurrentSearch() const { return m_search; }
    // Off: nothing is voted or asked for, but the spectrum history keeps
    // filling, so that switching on uses the last spectra at once.
    void SetAutoTune(bool on) { m_autoTune = on; }
    bool AutoTune() const { return m_autoTune; }

    // The n raw samples of one buffer (already scaled by 0.01); centre and
    // halfShift (Hz) are the tuning in force. Returns the centre frequency
    // to retune to when the search calls for it.
    std::optional<int32_t> Process(const double* in, size_t n, int32_t centre, int32_t halfShift);

    // The spectrum of the last buffer, for the display.
    const CBandAnalyzer& Analyzer() const { return m_analyzer; }
    int32_t RetuneVotes() const;

    // The tunable range for a half shift: both tones inside the audio band.
    // A half shift wider than half the range leaves only the half shift
    // itself.
    static int32_t Clamp(int32_t requested, int32_t halfShift);

  private:
    CBandAnalyzer m_analyzer;
    CTuningSearch m_valley;
    CTonePairSearch m_pair;
    Search m_search = Search::Valley;
    bool m_autoTune = true;
};

// The search that finds what a chain decodes: the weak-signal chain's own,
// or the valley search.
inline CTuningPolicy::Search SearchFor(const ChainSettings& chain) {
    return chain.enhanced ? CTuningPolicy::Search::TonePair : CTuningPolicy::Search::Valley;
}

}  // namespace wavelore
