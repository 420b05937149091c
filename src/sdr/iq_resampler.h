#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace wavelore {

// Takes complex samples (I and Q in separate arrays) from one rate to any
// other at or below it: a polyphase filter bank of 128 phases, each output
// interpolated between the two phases either side of its exact time, which
// advances by a 32.32 fixed-point step, so no ratio is too awkward
// (2 048 000 to 11 025 Hz is 441/81920) and the output rate is exact to
// a part in 10^9.
class CIqResampler {
  public:
    // inRate, outRate: Hz, 0 < outRate <= inRate. passHz: flat from 0 to
    // here. Everything that would fold onto 0..aliasHz of the output
    // (aliasHz >= passHz) is rejected by stopDb (dB). maxBlock: the most
    // inputs a Process call takes. False for impossible edges or when
    // memory is short.
    bool Design(double inRate, double outRate, double passHz, double aliasHz, double stopDb,
                int32_t maxBlock);

    // The most outputs count inputs can give: room for Process's output.
    int32_t MaxOutputs(int32_t count) const;
    // Filters count inputs (count <= maxBlock) and writes every output
    // whose time they reach. Returns the outputs.
    int32_t Process(const float* inI, const float* inQ, int32_t count, float* outI, float* outQ);
    void Reset();

    int32_t TapsPerPhase() const { return m_taps; }

  private:
    static constexpr int32_t kPhases = 128;

    int32_t m_taps = 0;
    // Phase-major, each phase's taps oldest input first; kPhases + 1 rows,
    // the last one the first shifted by a tap.
    std::vector<float> m_bank;
    uint64_t m_step = 0;  // input samples per output, 32.32
    uint64_t m_time = 0;  // the next output's time after the buffer's first window start
    int32_t m_maxBlock = 0;
    std::unique_ptr<float[]> m_i;
    std::unique_ptr<float[]> m_q;
    int32_t m_have = 0;
};

}  // namespace wavelore
