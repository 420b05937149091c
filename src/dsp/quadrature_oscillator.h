#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace wavelore {

// A complex phasor turning at a set frequency, renormalised every step so
// its amplitude stays 1 however long it runs.
class CQuadratureOscillator {
  public:
    // sampleRate: Hz, > 0 (a non-positive rate leaves the phasor standing still).
    explicit CQuadratureOscillator(int32_t sampleRate);

    // hz: > 0. Returns -1 and keeps the old frequency otherwise, else 0.
    // The phasor is kept, so the phase is continuous across retuning.
    int SetFrequency(double hz);
    double Frequency() const { return m_frequency; }

    // Mixes n values of in with the phasor, one step a value: i and q (room
    // for n each) get in times its real and imaginary part.
    void Process(const double* in, size_t n, double* i, double* q) {
        for (size_t k = 0; k < n; ++k) {
            double re;
            double im;
            Next(re, im);
            i[k] = in[k] * re;
            q[k] = in[k] * im;
        }
    }

    // The phasor back at (1, 0); the frequency stays.
    void Reset() {
        m_re = 1.0;
        m_im = 0.0;
    }

    // The current phasor; then advances it by one sample.
    void Next(double& re, double& im) {
        re = m_re;
        im = m_im;
        const double r = m_re * m_cos - m_im * m_sin;
        const double i = m_re * m_sin + m_im * m_cos;
        const double magnitude = std::sqrt(r * r + i * i);
        m_re = r / magnitude;
        m_im = i / magnitude;
    }

  private:
    void UpdateRotation();

    int32_t m_sampleRate;
    double m_frequency = 1.0;
    double m_cos = 1.0;
    double m_sin = 0.0;
    double m_re = 1.0;
    double m_im = 0.0;
};

}  // namespace wavelore
