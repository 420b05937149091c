#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace wavelore {

// Halves the rate of complex samples (I and Q in separate arrays) whose
// wanted content lies within +-band of 0 Hz. Only what folds onto that band
// must be rejected, so the filter is as short as the band is narrow beside
// the rate: a three-tap filter at several megahertz, a few more taps each
// time the rate halves. Each design is the shortest half-band filter
// (maximally flat, or Kaiser where that is shorter) that stays within
// 0.01 dB over the band and rejects its alias by the asked depth.
//
// Only every other tap of a half-band filter is non-zero, and each output
// folds the symmetric pairs: a filter with P pairs costs P + 1
// multiplications per output, per component. The input is kept as its
// even and odd samples apart, so each output reads neighbours in memory.
class CHalfbandDecimator {
  public:
    // rate: input samples per second, > 0. passHz: flat from 0 to here;
    // aliasHz: what must not fold back, >= passHz and below a quarter of
    // the rate; stopDb: its least rejection, dB. maxBlock: the most samples
    // a Process call takes. False when no filter meets it (the band too
    // wide for the rate) or memory is short.
    bool Design(double rate, double passHz, double aliasHz, double stopDb, int32_t maxBlock);

    // Filters count samples (count <= maxBlock) and writes one output for
    // every two inputs, carrying an odd one over. Returns the outputs.
    int32_t Process(const float* inI, const float* inQ, int32_t count, float* outI, float* outQ);
    // The same without a copy, for a caller whose input comes in pairs: it
    // writes up to maxBlock / 2 pairs, the even samples of each where
    // EvenI and EvenQ point and the odd ones where OddI and OddQ point, and
    // CommitPairs filters them. A decimator is fed one way or the other.
    float* EvenI() { return m_evenI.get() + m_have; }
    float* EvenQ() { return m_evenQ.get() + m_have; }
    float* OddI() { return m_oddI.get() + m_have; }
    float* OddQ() { return m_oddQ.get() + m_have; }
    int32_t CommitPairs(int32_t pairs, float* outI, float* outQ);
    void Reset();

    int32_t Pairs() const { return static_cast<int32_t>(m_pairs.size()); }
    const std::vector<double>& Taps() const { return m_taps; }

  private:
    void Run(const float* even, const float* odd, float* y, int32_t outputs) const;

    std::vector<double> m_taps;
    std::vector<float> m_pairs;  // the tap 1, 3, 5... after the middle
    float m_middle = 0.5f;
    // The input split into its even and odd samples, so the filter runs
    // down plain arrays: the non-zero taps either side of the middle fall
    // on even samples, the middle on an odd one.
    std::unique_ptr<float[]> m_evenI;
    std::unique_ptr<float[]> m_evenQ;
    std::unique_ptr<float[]> m_oddI;
    std::unique_ptr<float[]> m_oddQ;
    int32_t m_maxBlock = 0;
    int32_t m_history = 0;    // pairs one output looks back on
    int32_t m_capacity = 0;   // pairs the arrays hold
    int32_t m_have = 0;       // pairs in the arrays; the first window starts at 0
    bool m_carrying = false;  // an odd sample waits for its partner
    float m_carryI = 0.0f;
    float m_carryQ = 0.0f;
};

}  // namespace wavelore
