#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/fir_filter.h"
#include "dsp/moving_average.h"
#include "dsp/quadrature_oscillator.h"

namespace wavelore {

// Turns audio into upper-tone energy minus lower-tone energy on a log
// scale: positive while the upper tone is stronger (negative with invert).
// Band-pass around both tones, mix each tone to 0 Hz, integrate over one
// bit, compare the energies, smooth with a 100 Hz low-pass, compress.
class CFskDemodulator {
  public:
    // sampleRate: Hz, 11025 (below 2048 Process yields nothing).
    // upper: upper tone, Hz, > 0 and above lower.
    // lower: lower tone, Hz, > 0.
    // baud: bits per second, > 0; only kept (the integrators stay 110 samples).
    CFskDemodulator(int32_t sampleRate, double upper, double lower, int32_t baud);
    CFskDemodulator(const CFskDemodulator&) = delete;
    CFskDemodulator& operator=(const CFskDemodulator&) = delete;

    // Retunes the oscillators (phase kept) and redesigns both filters
    // (delay lines cleared); integrators keep their contents. A
    // non-positive tone is refused by its oscillator, which keeps its
    // previous frequency.
    void SetTones(double upper, double lower);

    // Returns the previous value.
    bool SetInvert(bool invert);

    // One output value per input value (a sound buffer holds 2048) into out,
    // which may be in. Returns n, or 0 (nothing written) when the sample
    // rate is below 2048.
    size_t Process(const double* in, size_t n, double* out);

    // Filters, integrators and oscillators as constructed; the tones stay.
    void Reset();

    double UpperTone() const { return m_upper; }
    double LowerTone() const { return m_lower; }
    int32_t Baud() const { return m_baud; }

  private:
    // Samples mixed and integrated per pass; bounds the stack scratch.
    static constexpr int32_t kChunk = 256;
    // One bit at 100 baud and 11025 Hz, in whole samples.
    static constexpr int32_t kIntegratorLength = 110;

    int32_t m_sampleRate;
    int32_t m_baud;
    double m_upper = 0.0;
    double m_lower = 0.0;
    bool m_invert = false;
    CFirFilter m_bandPass;
    CFirFilter m_postFilter;
    CQuadratureOscillator m_upperOsc;
    CQuadratureOscillator m_lowerOsc;
    CMovingAverage m_iu{kIntegratorLength};
    CMovingAverage m_qu{kIntegratorLength};
    CMovingAverage m_il{kIntegratorLength};
    CMovingAverage m_ql{kIntegratorLength};
};

}  // namespace wavelore
