#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/tone_detector.h"

namespace wavelore {

// Automatic frequency control for the weak-signal chain: measures how far
// the tone pair sits from where the detector expects it, from the phase a
// tone turns through between the two halves of a bit, and slowly moves a
// correction towards it, within a range around the tuning.
class CToneAfc {
  public:
    // halfWindowSeconds: duration of one half of the bit integration, > 0.
    // rangeHz: the correction stays within +-rangeHz, >= 0.
    CToneAfc(double halfWindowSeconds, double rangeHz);

    // Takes the sums at n bit ends; weight 0..1 says how far to trust them
    // (the signal's presence). Returns the correction in Hz.
    double Process(const ToneSums* in, size_t n, double weight);

    // No correction and nothing measured; the range stays.
    void Reset() {
        m_offset = 0.0;
        m_energy = 0.0;
    }

    double Offset() const { return m_offset; }
    // Sets the correction (clamped to the range), e.g. after a retune.
    void SetOffset(double hz);

  private:
    double m_halfWindow;
    double m_range;
    double m_offset = 0.0;
    double m_energy = 0.0;
};

}  // namespace wavelore
