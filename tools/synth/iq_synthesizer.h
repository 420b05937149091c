#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sdr/iq_sample_format.h"

namespace wavelore::synth {

// A NAVTEX emission on one channel of an IQ recording: its audio as a
// receiver in upper sideband, tuned 1700 Hz below the channel, would give
// it (11025 Hz, tones at 1700 Hz: what Synthesize renders), mixed up as a
// complex signal to the channel's frequency. So a channelizer should give
// back exactly this audio.
struct IqEmission {
    double frequencyHz = 518000.0;
    // Where the audio's full scale (32768) lies in the IQ samples, dBFS.
    double levelDb = -20.0;
    std::vector<int16_t> audio;
};

// A steady carrier in the band: frequency (Hz) and level (dBFS).
struct IqCarrier {
    double frequencyHz = 0.0;
    double levelDb = -20.0;
};

// What the band holds besides.
struct IqSceneOptions {
    double sampleRate = 2048000.0;
    double centreHz = 504000.0;
    // Length, seconds; 0: as long as the longest emission.
    double seconds = 0.0;
    // Complex white noise over the whole band, dBFS of its total power;
    // none for no noise.
    std::optional<double> noiseDb;
    std::vector<IqCarrier> carriers;
    uint32_t seed = 1;
};

// Renders emissions, carriers and noise as IQ samples in pieces, so
// minutes at megahertz rates never have to fit in memory. Each emission's
// audio is turned into its upper sideband by a sharp half-band filter
// (rejecting the other sideband by 100 dB), taken to 16 times the audio
// rate by a polyphase filter and from there to the sample rate by linear
// interpolation (its images lie 176 kHz away, 70 dB down).
class CIqScene {
  public:
    CIqScene(std::vector<IqEmission> emissions, IqSceneOptions options);
    ~CIqScene();
    CIqScene(const CIqScene&) = delete;
    CIqScene& operator=(const CIqScene&) = delete;

    size_t TotalSamples() const { return m_total; }
    // The next up to max samples; 0 at the end.
    size_t Render(std::complex<float>* out, size_t max);

  private:
    struct Channel;
    std::vector<Channel> m_channels;
    IqSceneOptions m_options;
    size_t m_total = 0;
    size_t m_done = 0;
};

// The ways an IQ recording is written: raw cu8, cs16, cf32, or a stereo
// 16-bit WAV (I left, Q right) whose "auxi" chunk carries the centre
// frequency, as SDR programs write it.
enum class IqFileKind { Cu8, Cs16, Cf32, Wav };
std::optional<IqFileKind> ParseIqFileKind(const std::string& name);

// Writes the whole scene; false with a reason naming the file.
bool WriteIqRecording(const std::filesystem::path& path, IqFileKind kind, CIqScene& scene,
                      double sampleRate, double centreHz, std::string* error = nullptr);

}  // namespace wavelore::synth
