#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "dsp/bit_clock.h"
#include "dsp/bit_likelihood.h"
#include "dsp/soft_sitor_b_decoder.h"
#include "dsp/tone_afc.h"
#include "dsp/tone_detector.h"

namespace wavelore {

// The weak-signal SITOR-B receiver: a channel filter and tone detection by
// matched filters, a Gardner bit clock, soft bits from each tone judged
// against its own signal and noise levels (so selective fading and one
// tone far below the other cost little), continuous character alignment,
// maximum-likelihood combining of the two copies of every character, AFC
// within +-50 Hz of the tuning and a squelch that keeps noise from
// printing. Same text and counts as the hard chain.
class CEnhancedSitorBChain {
  public:
    // How far the AFC may pull the tones from the tuning, Hz.
    static constexpr double kAfcRangeHz = 50.0;
    // The signal block's scale: +-20 for one tone alone, the range the
    // signal display shows well.
    static constexpr double kSignalScale = 20.0;

    // sampleRate: Hz, > 0 (11025). centre, halfShift: Hz, the tones are
    // centre +- halfShift. baud: > 0 (100).
    CEnhancedSitorBChain(int32_t sampleRate, int32_t centre, int32_t halfShift, int32_t baud);
    CEnhancedSitorBChain(const CEnhancedSitorBChain&) = delete;
    CEnhancedSitorBChain& operator=(const CEnhancedSitorBChain&) = delete;

    // False when its working memory could not be had.
    bool Ready() const;

    // A new tuning. The AFC keeps the frequency it follows when that lies
    // within its range of the new tuning, and starts from it otherwise.
    void SetTones(int32_t centre, int32_t halfShift);
    // Returns the previous setting.
    bool SetInvert(bool invert);
    void SetStrictFec(bool strict) { m_decoder.SetStrictFec(strict); }

    // n samples of in: writes the signal for the display to signal (one
    // value per sample: the normalised tone difference, positive for the
    // upper tone, negated when inverted; signal may be in) and appends the
    // text decided. Returns n, or 0 (nothing written) when not Ready.
    size_t Process(const double* in, size_t n, double* signal, std::u16string& text);

    // End of input: the text still held back for the decoder's lookahead.
    void Flush(std::u16string& text) { m_decoder.Flush(text); }

    // As constructed on the tuning in force: nothing received, no AFC
    // correction; the sense and Strict FEC stay.
    void Reset();

    int32_t GoodCount() const { return m_decoder.GoodCount(); }
    int32_t ErrorCount() const { return m_decoder.ErrorCount(); }
    void ResetCounts() { m_decoder.ResetCounts(); }

    // Where the tones are followed: centre plus the AFC's correction, Hz.
    double TrackedCentre() const { return m_detector.Centre() + m_afc.Offset(); }
    double SignalToNoise() const { return m_likelihood.SignalToNoise(); }
    // Whether the character alignment is held: an emission is being read.
    bool Locked() const { return m_decoder.Aligner().Locked(); }
    const CSoftSitorBDecoder& Decoder() const { return m_decoder; }

  private:
    // Input samples per pass; bounds the working arrays.
    static constexpr size_t kChunk = 256;

    void ProcessChunk(const double* in, size_t count, double* signal, std::u16string& text);

    CToneDetector m_detector;
    CBitClock m_clock;
    CBitLikelihood m_likelihood;
    CToneAfc m_afc;
    CSoftSitorBDecoder m_decoder;
    bool m_invert = false;
    double m_lastDifference = 0.0;
    std::unique_ptr<ToneSums[]> m_tones;
    std::unique_ptr<ToneSums[]> m_bits;
    std::unique_ptr<double[]> m_llr;
};

}  // namespace wavelore
