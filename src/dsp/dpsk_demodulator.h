#pragma once

#include <cstdint>

namespace wavelore {

// The DPSK mode's demodulator. The receiver offers the mode so that the
// spectrum and tuning work on such signals, but it has no DPSK
// demodulation: this object only carries the tuning it is built and retuned
// with, and the decoder thread never asks it for output.
class CDpskDemodulator {
  public:
    // sampleRate: Hz (11025). centre: carrier, Hz, 0..5512. baud: symbols per second, > 0.
    CDpskDemodulator(int32_t sampleRate, int32_t centre, int32_t baud)
        : m_sampleRate(sampleRate), m_centre(centre), m_baud(baud) {}

    void SetFrequency(int32_t centre) { m_centre = centre; }

    int32_t SampleRate() const { return m_sampleRate; }
    int32_t Centre() const { return m_centre; }
    int32_t Baud() const { return m_baud; }

  private:
    int32_t m_sampleRate;
    int32_t m_centre;
    int32_t m_baud;
};

}  // namespace wavelore
