#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "synth/synth_options.h"
#include "synth/transmission.h"

namespace wavelore::synth {

// Keys elements onto two tones with continuous phase and adds what the
// path adds: tone offset and drift, tone imbalance, slow fading, multipath
// fading, steady carriers beside the signal, white noise. Output is
// 16-bit mono at 11025 samples per second, saturated rather than wrapped.
class CFskModulator {
  public:
    explicit CFskModulator(const SynthOptions& options);

    // Silence, lead-in, the keyed elements, tail. Deterministic for given
    // options.
    std::vector<int16_t> Render(const Keying& keying) const;

    // The peak of the clean signal and the standard deviation of the noise
    // (0 when there is none), in 16-bit units.
    double SignalAmplitude() const { return m_amplitude; }
    double NoiseSigma() const { return m_noiseSigma; }

  private:
    // Replaces the keyed signal (analytic, starting at lead) by the sum of
    // its fading, delayed paths.
    void AddPaths(const std::vector<std::complex<double>>& analytic, std::vector<double>& signal,
                  std::size_t lead) const;
    void AddCarriers(std::vector<double>& signal, std::size_t from) const;

    SynthOptions m_options;
    double m_amplitude;
    double m_noiseSigma;
};

}  // namespace wavelore::synth
