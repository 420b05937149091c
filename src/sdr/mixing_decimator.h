#pragma once

#include <cstdint>
#include <vector>

namespace wavelore {

// The first stage of the channelizer at the full rate: mixes a band to
// 0 Hz by a periodic table and halves the rate with a half-band filter.
//
// Mixing and then filtering is filtering with the taps turned by the
// mix's frequency and then mixing the output, so the work at the full
// rate is a filter of complex taps run straight on the input, which all
// fronts share, and the mix runs at half the rate. The input comes as
// quads: sample 4q + r at place q of phase r, so that each output's taps
// read neighbours in memory; the output goes out as its even and odd
// samples apart, as the next half-band stage keeps its input.
class CMixingDecimator {
  public:
    // rate: input Hz, > 0. The mix: turns turns of the circle every length
    // samples (length a power of two, >= 64). passHz, aliasHz, stopDb: as
    // for a half-band stage after the mix. False when no filter meets it
    // or memory is short.
    bool Design(double rate, int64_t turns, uint32_t length, double passHz, double aliasHz,
                double stopDb);

    // The quads of earlier input each phase must keep before its first new
    // quad, for the windows that reach back.
    int32_t History() const { return m_pairCount; }

    // Takes quads new quads: phase r of quad q of I at inI[r * stride + q],
    // with History() earlier quads at negative q. Writes quads even and
    // quads odd outputs.
    void Process(const float* inI, const float* inQ, int32_t stride, int32_t quads, float* evenI,
                 float* evenQ, float* oddI, float* oddQ);
    void Reset() { m_at = 0; }

    int32_t Pairs() const { return m_pairCount; }

  private:
    // One output of each pair: its middle tap's place in a quad, and the
    // mix at that place, quad by quad round the table.
    struct Outputs {
        int32_t middle = 0;
        std::vector<float> mixCos;
        std::vector<float> mixSin;
    };
    void Run(const Outputs& outputs, const float* inI, const float* inQ, int32_t stride, int32_t at,
             int32_t count, float* outI, float* outQ) const;

    int32_t m_pairCount = 0;
    float m_middle = 0.5f;
    // Tap pair k, turned: its real part's weight on the pair's sum and its
    // imaginary part's on their difference.
    std::vector<float> m_cos;
    std::vector<float> m_sin;
    Outputs m_even;
    Outputs m_odd;
    uint32_t m_mask = 0;  // of the quads round the table
    uint32_t m_at = 0;    // the next quad's place in the table
};

}  // namespace wavelore
