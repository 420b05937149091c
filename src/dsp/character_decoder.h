#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dsp/moving_average.h"

namespace wavelore {

// Base of every character decoder: recovers the bit clock from the sign
// changes of the demodulator output (the bit synchroniser) and calls the
// subclass once per bit, in the middle of the bit.
class CCharacterDecoder {
  public:
    // sampleRate: Hz (11025). baud: bits per second, > 0 and <= sampleRate.
    // smoothLength: samples averaged before the sign is taken, >= 1.
    CCharacterDecoder(uint32_t sampleRate, uint32_t baud, int32_t smoothLength);
    virtual ~CCharacterDecoder() = default;
    CCharacterDecoder(const CCharacterDecoder&) = delete;
    CCharacterDecoder& operator=(const CCharacterDecoder&) = delete;

    // Runs the bit synchroniser over n values of demodulator output and
    // appends the text the bits produced to text. Room for MaxText(n) more
    // characters in text keeps it from allocating.
    void Process(const double* in, size_t n, std::u16string& text);
    // The most characters n values can produce: two (a carriage return and
    // its line feed) for every bit.
    size_t MaxText(size_t n) const { return 2 * (n / static_cast<size_t>(m_samplesPerBit) + 1); }

    // The bit clock, the decoder's state and the counts as constructed; the
    // Strict FEC setting stays.
    void Reset();

    virtual void SetStrictFec(bool /*strict*/) {}

    int32_t GoodCount() const { return m_goodCount; }
    int32_t ErrorCount() const { return m_errorCount; }
    void ResetCounts() {
        m_goodCount = 0;
        m_errorCount = 0;
    }

    int32_t SamplesPerBit() const { return m_samplesPerBit; }
    uint32_t Baud() const { return m_baud; }

    // The per-bit entry of the subclass: bit is 0 or 1; text produced by
    // this bit is appended to out. Public so tests can drive bit streams.
    virtual void HandleBit(int bit, std::u16string& out) = 0;

  protected:
    // Resets what the subclass decodes with.
    virtual void ResetCharacters() = 0;

    int32_t m_goodCount = 0;
    int32_t m_errorCount = 0;

  private:
    uint32_t m_baud;
    int32_t m_samplesPerBit;
    CMovingAverage m_smoother;
    bool m_level = false;
    // The bit clock's sample counter, kept modulo samples per bit: only the
    // position within the bit matters, and the counter can then run for
    // ever without overflowing.
    int32_t m_bitPhase = 0;
};

}  // namespace wavelore
