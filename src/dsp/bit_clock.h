#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "dsp/tone_detector.h"

namespace wavelore {

// Bit timing for the weak-signal chain: picks one ToneSums per bit, at the
// moment each tone's integration covers exactly one bit, interpolating
// between the detector's outputs. A Gardner timing-error loop on the
// normalised tone difference keeps that moment on the transmitter's clock;
// its integrator follows a keying speed up to 1 % off the nominal.
class CBitClock {
  public:
    // samplesPerBit: detector outputs per bit at the nominal speed, > 2.
    explicit CBitClock(double samplesPerBit);
    CBitClock(const CBitClock&) = delete;
    CBitClock& operator=(const CBitClock&) = delete;

    // How far to trust the timing error, 0..1: the signal's presence. At 0
    // the clock free-runs at its last speed.
    void SetLoopWeight(double weight);
    // Each tone's energy per bit when it is sent (> 0). The loop works on
    // the tone difference while the levels are within 1 dB, and from 6 dB
    // apart on each tone's own amplitude scaled by its level, the tones
    // weighed by their levels: with one tone far below the other a change
    // of tone is timed by the stronger, whose amplitude halfway through the
    // change is half its level whatever the weaker does, while the
    // difference would hardly move there.
    void SetToneLevels(double upper, double lower);

    // The most bits n detector outputs can give.
    size_t MaxOutput(size_t n) const;
    // Takes n detector outputs, writes the sums at each bit's end to out
    // (room for MaxOutput(n)) and returns how many.
    size_t Process(const ToneSums* in, size_t n, ToneSums* out);

    // The clock at its nominal speed and first bit end, nothing learnt.
    void Reset();

    // The bit period the loop has settled on, in detector outputs.
    double Period() const { return m_nominal * (1.0 + m_rate); }

    // The normalised tone difference the loop works on: +1 for the upper
    // tone alone, -1 for the lower, 0 for equal energies or none.
    static double Difference(const ToneSums& sums);

  private:
    ToneSums At(double position) const;
    // The timing error of the bit ending at bit, with middle half a bit
    // before it: positive when the clock is late.
    double TimingError(const ToneSums& bit, const ToneSums& middle);

    double m_nominal;
    double m_weight = 1.0;
    // 1 / each tone's level, and its share of the two levels; unset (0)
    // until SetToneLevels.
    double m_upperScale = 0.0;
    double m_lowerScale = 0.0;
    double m_upperShare = 0.5;
    // The previous bit's tone amplitudes, scaled.
    double m_previousUpper = 0.0;
    double m_previousLower = 0.0;
    // Fractional correction of the period, within +-1 %.
    double m_rate = 0.0;
    // Absolute position (in outputs) of the next bit end.
    double m_next;
    double m_previousDifference = 0.0;
    // The latest outputs, newest at m_count - 1; size a power of two.
    std::unique_ptr<ToneSums[]> m_history;
    int64_t m_mask = 0;
    int64_t m_count = 0;
};

}  // namespace wavelore
