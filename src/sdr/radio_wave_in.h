#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/wave_in.h"
#include "sdr/iq_source.h"

namespace wavelore {

class CChannelizer;

// A wave-input driver whose devices are the channels of one radio (device
// n is channel n): a thread of the driver's own reads the IQ source,
// channelizes it and fills the buffers queued on each channel's device, so
// that a decoder thread receives a channel as it receives a sound card.
//
// Audio that finds no queued buffer is lost and counted, as on a sound
// card, unless the driver waits for room: then a recording read as fast
// as it goes is paced by the slowest channel that is capturing. At the
// end of a recording each open device gets its last buffer padded with
// silence and WM_SOUND_ENDED. A radio that fails (unplugged) stops
// delivering: Failed() then says so and Error() why.
class CRadioWaveIn final : public IWaveInDriver {
  public:
    // band: what the source samples, as on the antenna (an upconverter's
    // shift taken off); channels: frequencies (Hz) it covers. Null with a
    // one-line reason when they cannot be channelized.
    static std::unique_ptr<CRadioWaveIn> Create(std::unique_ptr<IIqSource> source,
                                                const IqFormat& band,
                                                const std::vector<double>& channels,
                                                bool waitForRoom, std::string& error);
    // Stops the source and the thread; open devices stay silent.
    ~CRadioWaveIn() override;
    CRadioWaveIn(const CRadioWaveIn&) = delete;
    CRadioWaveIn& operator=(const CRadioWaveIn&) = delete;

    // Starts the source and the thread. False with a one-line reason.
    bool Start(std::string& error);

    // One device per channel, named by its frequency ("518 kHz").
    uint32_t GetNumDevs() override;
    MmResult GetDevCaps(uint32_t deviceId, WaveInCaps& caps) override;
    // 11025 Hz mono 16-bit only; one open device per channel.
    MmResult Open(uint32_t deviceId, const WaveFormat& format, CThreadMessageQueue* notify,
                  std::unique_ptr<IWaveInDevice>& device) override;
    // The radio's own losses at the audio rate, and the most audio any one
    // channel lost for want of a buffer.
    uint64_t SamplesLost() const override;

    const std::vector<double>& Channels() const { return m_channels; }
    std::string Description() const;
    // A recording delivered to its end.
    bool Ended() const;
    bool Failed() const;
    std::string Error() const;

    struct State;

  private:
    CRadioWaveIn(std::unique_ptr<IIqSource> source, std::unique_ptr<CChannelizer> channelizer,
                 std::vector<double> channels, bool waitForRoom);
    void Pump();

    std::unique_ptr<IIqSource> m_source;
    std::unique_ptr<CChannelizer> m_channelizer;
    std::vector<double> m_channels;
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

}  // namespace wavelore
