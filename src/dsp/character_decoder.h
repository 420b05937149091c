#pragma once

#include <cstdint>
#include <string>

#include "common/sample_block.h"
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

    // Runs the bit synchroniser over a block of demodulator output and
    // returns the text the bits produced (possibly empty).
    std::u16string Decode(const SampleBlock& block);

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
