#pragma once

#include <complex>
#include <cstdint>
#include <memory>

namespace wavelore {

// A FIR filter for complex samples with real, symmetric (linear-phase)
// taps: each output folds the two halves of the delay line onto one set of
// taps and skips the taps that are zero (every other one of a half-band
// filter), so it costs a quarter to a half of a plain dot product. The
// delay line is doubled, so the newest samples are always contiguous.
class CComplexFir {
  public:
    CComplexFir() = default;
    CComplexFir(const CComplexFir&) = delete;
    CComplexFir& operator=(const CComplexFir&) = delete;

    // taps: count values, count odd and the taps symmetric about the
    // middle one (only the first half and the middle are read). Clears the
    // delay line. False (and no filter: outputs are 0) when memory is short.
    bool SetTaps(const double* taps, int32_t count);

    void Push(std::complex<double> x);
    // The filter's output for the samples pushed so far.
    std::complex<double> Output() const;

  private:
    int32_t m_count = 0;
    int32_t m_pos = 0;
    double m_middle = 0.0;
    // The non-zero taps of the first half and their places.
    int32_t m_pairs = 0;
    bool m_dense = false;  // no zero taps: the places are 0, 1, 2...
    std::unique_ptr<double[]> m_taps;
    std::unique_ptr<int32_t[]> m_places;
    std::unique_ptr<double[]> m_re;
    std::unique_ptr<double[]> m_im;
};

}  // namespace wavelore
