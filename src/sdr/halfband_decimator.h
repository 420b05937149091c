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
// multiplications per output, per component.
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
    // The same without a copy: the caller writes up to maxBlock samples
    // where InputI and InputQ point, then Commit filters count of them.
    float* InputI() { return m_i.get() + m_have; }
    float* InputQ() { return m_q.get() + m_have; }
    int32_t Commit(int32_t count, float* outI, float* outQ);
    void Reset();

    int32_t Pairs() const { return static_cast<int32_t>(m_pairs.size()); }
    const std::vector<double>& Taps() const { return m_taps; }

  private:
    void Run(const float* x, float* y, int32_t outputs) const;

    std::vector<double> m_taps;
    std::vector<float> m_pairs;  // the tap 1, 3, 5... after the middle
    float m_middle = 0.5f;
    int32_t m_span = 0;  // taps - 1: the history one output looks back on
    int32_t m_maxBlock = 0;
    std::unique_ptr<float[]> m_i;
    std::unique_ptr<float[]> m_q;
    int32_t m_have = 0;  // samples in m_i, m_q; the first window starts at 0
};

}  // namespace wavelore
