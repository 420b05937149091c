#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/sample_block.h"
#include "common/sample_rate.h"

namespace wavelore {

// What the channelizer is given.
struct ChannelizerSettings {
    double sampleRate = 0.0;  // of the IQ samples, Hz, >= 11025
    double centreHz = 0.0;    // the frequency at 0 Hz of the IQ samples
    // The channels: each a NAVTEX frequency (Hz) inside the sampled band
    // (CChannelizer::Covers), for example 490000 and 518000.
    std::vector<double> channels;
    // A radio's AGC: each channel's audio is kept near one level, as a
    // receiver's audio output is. Without it the gain is fixed: a full-scale
    // IQ tone gives full-scale 16-bit audio (in the chain's units, 327.68)
    // times gainDb.
    bool agc = true;
    double gainDb = 0.0;
};

// Receives each channel's audio: blocks of kSamplesPerBuffer samples at
// 11025 Hz, scaled as the receive chain takes sound (16-bit units times
// kSampleScale). The block stays the channelizer's: copy what is kept.
class IChannelSink {
  public:
    virtual ~IChannelSink() = default;
    virtual void OnChannelBlock(size_t channel, const SampleBlock& block) = 0;
};

// Turns IQ samples from a radio into the audio of several NAVTEX channels
// at once, each exactly what a receiver in upper sideband gives when tuned
// kCarrierOffsetHz below the channel's frequency: the channel's tones sit
// at 1700 Hz +- 85 Hz, and the audio is flat from 150 to 5360 Hz.
//
// Channels within 250 kHz of each other share a front: a mix of their
// middle to 0 Hz by a periodic table (exact forever, on a grid of at most
// 2 kHz) and half-band decimators while the rate holds them all, so the
// work at the full rate is done once for 490 and 518 kHz. Then each
// channel: the rest of its mix, its own half-band stages down to
// 22..44 kHz, a polyphase resampler to exactly 11025 Hz, and an
// upper-sideband filter that rejects the image (the lower sideband) and
// every alias by 100 dB.
class CChannelizer {
  public:
    // The receiver's one rate: channel audio enters the chain as sound does.
    static constexpr double kAudioRate = kSampleRate;
    // The carrier of the receiver whose audio a channel gives lies this far
    // below the channel's frequency, so the tones are at 1700 Hz.
    static constexpr double kCarrierOffsetHz = 1700.0;
    // The audio's flat band and the rejection of all else.
    static constexpr double kAudioEdgeHz = 150.0;
    static constexpr double kStopDb = 100.0;

    // Null with a one-line reason for a rate below 11025 Hz, no channel, a
    // channel outside the sampled band, or when memory is short.
    static std::unique_ptr<CChannelizer> Create(const ChannelizerSettings& settings,
                                                std::string& error);
    ~CChannelizer();
    CChannelizer(const CChannelizer&) = delete;
    CChannelizer& operator=(const CChannelizer&) = delete;

    // True when the audio band of the channel at channelHz lies well inside
    // the band sampled at sampleRate around centreHz (within 45 % of the
    // rate either side, clear of the edges radios filter away).
    static bool Covers(double sampleRate, double centreHz, double channelHz);
    // Those of candidates that the band covers, in their order.
    static std::vector<double> CoveredChannels(double sampleRate, double centreHz,
                                               const std::vector<double>& candidates);

    // Takes count IQ samples (any count) and gives each channel's audio
    // blocks to sink as they fill. Never allocates.
    void Process(const std::complex<float>* iq, size_t count, IChannelSink& sink);
    // End of input: each channel's partly filled block is completed with
    // silence and given to sink.
    void Flush(IChannelSink& sink);
    // Forgets all input: filters emptied, AGC and blocks started afresh.
    void Reset();

    const ChannelizerSettings& Settings() const { return m_settings; }
    size_t ChannelCount() const { return m_settings.channels.size(); }
    // The channel's half-band stages, and how many mixes at the full rate
    // all channels take, for measurements.
    int32_t DecimatorStages(size_t channel) const;
    size_t FrontCount() const;

    class CFront;
    class CChannel;

  private:
    CChannelizer() = default;
    // Create after its checks; may throw std::bad_alloc.
    static std::unique_ptr<CChannelizer> Build(const ChannelizerSettings& settings,
                                               std::string& error);
    void RunFronts(int32_t quads, IChannelSink& sink);

    ChannelizerSettings m_settings;
    std::vector<std::unique_ptr<CFront>> m_fronts;
    std::vector<std::unique_ptr<CChannel>> m_channels;
    std::vector<size_t> m_frontOf;  // each channel's front
    // The input as quads (see CMixingDecimator): each phase keeps the last
    // m_history quads, which the fronts' windows reach back to, before the
    // new ones. Samples short of a whole quad wait for the next call.
    std::vector<float> m_quadsI;
    std::vector<float> m_quadsQ;
    int32_t m_history = 0;
    int32_t m_stride = 0;
    std::complex<float> m_wait[4];
    int32_t m_waiting = 0;
};

}  // namespace wavelore
