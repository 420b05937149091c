#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace wavelore {

// The last step of a channel: complex samples at the audio rate, whose 0 Hz
// is the middle of the audio band, become the real audio of an
// upper-sideband receiver. A sharp low-pass is cut at a quarter of the
// rate; turning its output up by a quarter of the rate and taking the real
// part puts what it passed at 0 .. half the rate, and what it rejected is
// exactly what would fold onto that: the lower sideband (the image) and
// the alias above half the rate. Audio at a Hz has its image at
// -(a + rate / 4) before the turn, in the stopband from a = transition / 2.
//
// The low-pass is cut at a quarter of the rate, so it is a half-band
// filter, and each output needs only one component (the turn by a quarter
// is 1, j, -1, -j): a quarter of a complex filter's work.
class CUpperSideband {
  public:
    // rate: Hz, > 0. transitionHz: the width of the low-pass's edge, so
    // the audio is flat from transitionHz / 2 to (rate - transitionHz) / 2
    // (0 < transitionHz < rate / 4); stopDb: the rejection beyond the edge,
    // dB. maxBlock: the most samples a Process call takes. False for
    // impossible edges or when memory is short.
    bool Design(double rate, double transitionHz, double stopDb, int32_t maxBlock);
    // count complex samples in (count <= maxBlock), count real samples out.
    void Process(const float* inI, const float* inQ, int32_t count, float* out);
    void Reset();

    const std::vector<double>& Taps() const { return m_taps; }

  private:
    std::vector<double> m_taps;
    std::vector<float> m_pairs;  // taps 1, 3, 5... after the middle
    float m_middleTap = 0.5f;
    int32_t m_span = 0;
    int32_t m_maxBlock = 0;
    // The input as the sequences the middle taps and the others read.
    std::unique_ptr<float[]> m_middle;
    std::unique_ptr<float[]> m_sides;
    uint32_t m_turn = 0;  // the quarter turns so far, modulo 4
};

}  // namespace wavelore
