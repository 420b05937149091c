#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace wavelore::synth {

// What the transmitter sends.
enum class SynthMode {
    SitorB,   // NAVTEX / SITOR: CCIR 476 FEC, DX/RX 35 bits apart
    Amtor,    // the same FEC emission, read character by character
    NavtexJ,  // ten-bit code, DX/RX 50 bits apart, JIS X 0208 text
    Rtty,     // ITA2 start-stop, 1 start, 5 data, 1.5 stop bits
};

// How the emission is turned into audio. Every field has a unit and a
// sensible range; out-of-range values are clamped by the modulator.
struct SynthOptions {
    // Midway between the two tones, Hz (tones must stay inside 1..5511 Hz).
    double centreHz = 1700.0;
    // Distance between the tones, Hz (170 for NAVTEX; 170/450/850 for RTTY).
    double shiftHz = 170.0;
    // Keying speed in bits per second; 100.3 gives a 0.3 % baud error.
    double baud = 100.0;
    // Added to both tones, Hz (a mistuned receiver).
    double toneOffsetHz = 0.0;
    // Linear tone drift, Hz per minute, starting from zero at the first bit.
    double driftHzPerMinute = 0.0;
    // Signal-to-noise ratio in a 2500 Hz bandwidth, dB; none = no noise at
    // all (the lead-in and tail are then silent).
    std::optional<double> snrDb;
    // Slow fading: the signal level swings between 0 dB and -fadeDepthDb
    // with a raised-cosine period of fadePeriodSeconds (0 depth = off).
    double fadeDepthDb = 0.0;
    double fadePeriodSeconds = 8.0;
    // Multipath after the Watterson model of an HF channel: the signal
    // arrives by fadingPaths paths (0 = none, 1 = flat fading), each
    // Rayleigh-fading with a Gaussian Doppler spectrum dopplerSpreadHz wide
    // (twice its standard deviation; 0 = a fixed random gain) and the same
    // mean power, the k-th delayed by k * pathDelayMs. Their sum keeps the
    // signal's mean power, so the signal-to-noise ratio is the mean one.
    int fadingPaths = 0;
    double pathDelayMs = 0.0;
    double dopplerSpreadHz = 1.0;
    // The upper tone this much weaker than the lower one, dB (negative: the
    // lower tone weaker). The stronger tone sets the signal level.
    double toneImbalanceDb = 0.0;
    // Steady carriers beside the signal: offset from the centre (Hz) and
    // level over the signal's (dB).
    struct Carrier {
        double offsetHz = 0.0;
        double levelDb = 0.0;
    };
    std::vector<Carrier> carriers;
    // Swaps the tones: a 1 bit is sent on the lower tone.
    bool invert = false;
    // Digital silence at the very start, seconds, as a sound card gives
    // while it starts; the receiver's decoder aligns itself at once on it
    // (it takes the first bit whose seven bits equal those 35 bits earlier,
    // and in noise that can take many seconds).
    double silenceSeconds = 0.0;
    // Noise (or silence) before the first bit and after the last, seconds.
    double leadInSeconds = 1.5;
    double tailSeconds = 1.0;
    // Peak of the clean signal in 16-bit units; 0 chooses a level that
    // leaves head-room for the noise.
    double amplitude = 0.0;
    // Seeds the noise generator; equal seeds give identical recordings.
    uint32_t seed = 1;
};

}  // namespace wavelore::synth
