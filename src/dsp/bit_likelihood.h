#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/tone_detector.h"

namespace wavelore {

// The soft value of each bit: the log-likelihood ratio, in nats, that the
// bit is a 1 (the upper tone, or the lower one when inverted), from the
// energies of the two tones' matched filters.
//
// Each tone is judged against its own levels: its energy when it is sent
// (signal and noise) and when the other tone is (noise, and what leaks over
// from the other tone), each followed on its own. A path delay makes the
// two tones fade apart, for seconds one 10 to 20 dB below the other; so a
// weak tone still counts for what its own evidence is worth, a vanished
// one for nothing, and the other is then judged against its own threshold
// (the threshold correction of FSK receivers under selective fading). A
// copy sent in a fade and one sent at full strength weigh as much as their
// evidence.
class CBitLikelihood {
  public:
    // The most a single bit may weigh: no bit is surer than e^-25, so one
    // impulse cannot outvote a whole character.
    static constexpr double kMaxLlr = 25.0;

    CBitLikelihood() = default;

    // Returns the previous setting.
    bool SetInvert(bool invert);

    // One value per bit of in into llr (room for n).
    void Process(const ToneSums* in, size_t n, double* llr);

    // Both tones' levels unknown again; the sense stays.
    void Reset() {
        m_upper = ToneLevels();
        m_lower = ToneLevels();
        m_started = false;
    }

    // Estimated energy per bit over the noise in the stronger tone's filter
    // (about Eb/N0); 2 for noise alone, 0 before any input.
    double SignalToNoise() const;
    // The same for the upper or the lower tone.
    double ToneSignalToNoise(bool upper) const;
    // The upper or the lower tone's energy per bit when it is sent.
    double ToneLevel(bool upper) const { return (upper ? m_upper : m_lower).on; }

    // ln I0(x), the modified Bessel function of order 0, for x >= 0.
    static double LogBesselI0(double x);

  private:
    // Running means of one tone's energy per bit when it is sent and when
    // the other tone is.
    struct ToneLevels {
        double on = 0.0;
        double off = 0.0;
        // The signal's energy over the noise's, and ln p(on) / p(off) of
        // an energy e: ln I0(2 sqrt(signal e) / noise) - signal / noise.
        double Snr() const;
        double Evidence(double energy) const;
    };

    bool m_invert = false;
    ToneLevels m_upper;
    ToneLevels m_lower;
    bool m_started = false;
};

}  // namespace wavelore
