#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <numbers>

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

    // One sample in; Output then gives the filter's output for it. Apart,
    // so that a decimating or interpolating filter computes only the
    // outputs it keeps.
    void Push(std::complex<double> x);
    // The filter's output for the samples pushed so far.
    std::complex<double> Output() const;

    // One output per input: n values of in into out (which may be in).
    void Process(const std::complex<double>* in, size_t n, std::complex<double>* out) {
        for (size_t k = 0; k < n; ++k) {
            Push(in[k]);
            out[k] = Output();
        }
    }

    // The delay line cleared; the taps stay.
    void Reset();

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

// Fills taps[0..count) with a windowed-sinc low-pass cut at cutoff (a
// fraction of the rate) with unit gain at 0 Hz; window(r) weighs the tap
// at r, from -1 at the first tap to 1 at the last. count odd, >= 3.
template <typename Window>
void WindowedSinc(double cutoff, int32_t count, Window window, double* taps) {
    const int32_t mid = count / 2;
    double sum = 0.0;
    for (int32_t i = 0; i < count; ++i) {
        const double k = i - mid;
        const double sinc =
            k == 0 ? 2.0 * cutoff
                   : std::sin(2.0 * std::numbers::pi * cutoff * k) / (std::numbers::pi * k);
        taps[i] = sinc * window(k / mid);
        sum += taps[i];
    }
    for (int32_t i = 0; i < count; ++i) {
        taps[i] /= sum;
    }
}

}  // namespace wavelore
