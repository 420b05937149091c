#pragma once

// The signal chain written out plainly, step by step: physical delay-line
// shifts, full re-summation in buffer order, one sample at a time. It is the
// yardstick the fast production classes are held against: they must decode
// exactly the same text and stay within rounding of these values.

#include <cstdint>
#include <string>
#include <vector>

#include "common/sample_block.h"
#include "dsp/character_decoder.h"

namespace wavelore::reference {

class MovingAverage {
  public:
    explicit MovingAverage(int32_t length);
    double Filter(double x);

  private:
    std::vector<double> m_buffer;
    int32_t m_position = 0;
};

class FirFilter {
  public:
    // Same design rules as CFirFilter (including its handling of edges
    // outside (0, 1)); returns the tap count.
    int32_t Design(int32_t taps, double low, double high);
    void Filter(double* data, int32_t count);
    const std::vector<double>& Taps() const { return m_taps; }

  private:
    std::vector<double> m_taps;
    std::vector<double> m_delay;
};

class QuadratureOscillator {
  public:
    explicit QuadratureOscillator(int32_t sampleRate);
    int SetFrequency(double hz);
    void Next(double& re, double& im);

  private:
    int32_t m_sampleRate;
    double m_frequency = 1.0;
    double m_cos;
    double m_sin;
    double m_re = 1.0;
    double m_im = 0.0;
};

class FskDemodulator {
  public:
    FskDemodulator(int32_t sampleRate, double upper, double lower, int32_t baud);
    void SetTones(int32_t sampleRate, double upper, double lower);
    bool SetInvert(bool invert);
    SampleBlock Process(const SampleBlock& block);

  private:
    int32_t m_sampleRate;
    QuadratureOscillator m_upperOsc;
    QuadratureOscillator m_lowerOsc;
    FirFilter m_bandPass;
    FirFilter m_postFilter;
    MovingAverage m_iu{110};
    MovingAverage m_qu{110};
    MovingAverage m_il{110};
    MovingAverage m_ql{110};
    bool m_invert = false;
};

// The bit synchroniser of CCharacterDecoder, one sample at a time, calling
// the bit handler of any production decoder.
class BitSynchroniser {
  public:
    BitSynchroniser(uint32_t sampleRate, uint32_t baud, int32_t smoothLength);
    std::u16string Decode(const SampleBlock& block, CCharacterDecoder& handler);

  private:
    int32_t m_samplesPerBit;
    MovingAverage m_smoother;
    bool m_level = false;
    int32_t m_bitPhase = 0;
};

// A plain SITOR-B transmitter for tests. Sends phasingPairs DX/RX phasing
// pairs, then every code in the DX position and again five slots later in
// the RX position, then phasing until the last RX copy is out. Bits are in
// sending order (bit 0 of a code first); 1 is the upper tone.
std::vector<int> SitorBBits(const std::vector<uint8_t>& codes, int phasingPairs = 8);

}  // namespace wavelore::reference
