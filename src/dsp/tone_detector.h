#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "dsp/channel_filter.h"
#include "dsp/complex_fir.h"

namespace wavelore {

// What the tone detector reports for one decimated sample: the complex sum
// of each tone, brought to 0 Hz, over the earlier and the later half of the
// last bit. Their sum is the matched filter (integrate and dump) of a bit
// on that tone; comparing the halves measures how far the tone sits from
// its expected frequency.
//
// 170 Hz apart the tones are not orthogonal over a bit: each leaks 2.4 %
// of its energy into the other's sums, as much as a tone 16 dB below the
// other brings itself. What a unit of the upper tone puts into the lower
// sums of each half is given too (the lower tone puts its conjugate into
// the upper sums), so the leakage can be taken out where it matters.
struct ToneSums {
    std::complex<double> upperEarly;
    std::complex<double> upperLate;
    std::complex<double> lowerEarly;
    std::complex<double> lowerLate;
    std::complex<double> leakEarly;
    std::complex<double> leakLate;

    double UpperEnergy() const { return std::norm(upperEarly + upperLate); }
    double LowerEnergy() const { return std::norm(lowerEarly + lowerLate); }
    // The sums with each tone's leakage into the other taken out (exact for
    // whole halves of one tone on its expected frequency).
    ToneSums Separated() const;
};

// Tone detection for the weak-signal chain: mixes the pair of tones down
// around 0 Hz, low-pass filters and decimates, keeps only the channel (the
// tones and their keying sidebands, see CChannelFilter), then mixes each
// tone to 0 Hz and integrates it over one bit in two halves. One ToneSums
// per decimated sample; nothing is decided here.
class CToneDetector {
  public:
    // sampleRate: Hz, > 0 (11025). centre: Hz between the tones.
    // halfShift: Hz, > 0; the tones are centre +- halfShift. baud: > 0.
    CToneDetector(int32_t sampleRate, double centre, double halfShift, int32_t baud);
    CToneDetector(const CToneDetector&) = delete;
    CToneDetector& operator=(const CToneDetector&) = delete;

    // Moves the tones (Hz); the oscillators keep their phase, a new half
    // shift redesigns the low-pass filter.
    void SetTones(double centre, double halfShift);
    // A correction added to the centre, Hz (the AFC's).
    void SetOffset(double hz) { m_offset = hz; }
    double Offset() const { return m_offset; }
    double Centre() const { return m_centre; }

    // Input samples per output sample.
    int32_t Decimation() const { return m_decimation; }
    // Output samples per second.
    double OutputRate() const { return double(m_sampleRate) / m_decimation; }
    // Output samples in each half of the integration.
    int32_t HalfWindow() const { return m_half; }
    // The channel filter: flat to PassHz() either side of the centre, at
    // least kChannelRejectionDb down from StopHz().
    static constexpr double kChannelRejectionDb = 65.0;
    double PassHz() const;
    double StopHz() const { return PassHz() + kChannelTransitionHz; }

    // The most outputs n inputs can give.
    size_t MaxOutput(size_t n) const { return n / static_cast<size_t>(m_decimation) + 1; }
    // Filters n samples; writes one ToneSums per decimated sample to out
    // (room for MaxOutput(n)) and returns how many.
    size_t Process(const double* in, size_t n, ToneSums* out);

    // Mixers, filters and sums as constructed, without an AFC correction;
    // the tones stay.
    void Reset();

  private:
    // The channel filter's transition from flat to rejected, Hz.
    static constexpr double kChannelTransitionHz = 50.0;

    void DesignLowPass();
    void RecomputeSums();

    int32_t m_sampleRate;
    int32_t m_baud;
    int32_t m_decimation;
    double m_centre;
    double m_halfShift;
    double m_offset = 0.0;

    // Input mixer: phasor turning the centre to 0 Hz.
    std::complex<double> m_mixer{1.0, 0.0};
    // Low-pass before the decimation, on the mixed input.
    static constexpr int32_t kTaps = 41;
    CComplexFir m_lowPass;
    bool m_lowPassReady = false;
    int32_t m_phase = 0;  // inputs since the last output
    CChannelFilter m_channel;

    // Tone mixers at the output rate.
    std::complex<double> m_upperMixer{1.0, 0.0};
    std::complex<double> m_lowerMixer{1.0, 0.0};
    // The last two half windows of each tone, as a ring of 2 * m_half, and
    // of the lower mixer over the upper one: a pure upper tone leaks into
    // the lower sums exactly as this phasor's sums say, and the lower tone
    // into the upper sums as their conjugates.
    int32_t m_half;
    std::unique_ptr<std::complex<double>[]> m_upperRing;
    std::unique_ptr<std::complex<double>[]> m_lowerRing;
    std::unique_ptr<std::complex<double>[]> m_crossRing;
    int32_t m_ringPos = 0;
    ToneSums m_sums;  // leak fields: the lower over upper mixer's sums
    int32_t m_sinceRecompute = 0;
};

}  // namespace wavelore
