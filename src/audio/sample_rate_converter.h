#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace wavelore {

// Converts a stream of 16-bit mono samples from one rate to another, piece
// by piece, keeping the filter's state between pieces (libsamplerate's sinc
// converter). Everything is allocated by Open; Process does not allocate.
class CSampleRateConverter {
  public:
    CSampleRateConverter();
    ~CSampleRateConverter();
    CSampleRateConverter(const CSampleRateConverter&) = delete;
    CSampleRateConverter& operator=(const CSampleRateConverter&) = delete;

    // maxInput: the most samples one Process call is given. False when the
    // rates are out of the convertible range or memory is short.
    bool Open(double inputRate, double outputRate, size_t maxInput);
    // Converts count (at most maxInput) samples. The output, which lags the
    // input by the filter's delay, stays valid until the next call; false
    // when the converter fails (nothing is produced then).
    bool Process(const int16_t* in, size_t count, const int16_t*& out, size_t& produced);
    // Forgets the samples in the filter, as for a new stream.
    void Reset();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace wavelore
