#include "sdr/radio_wave_in.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>

#include "audio/queued_wave_in_device.h"
#include "audio/wave_in_queue.h"
#include "common/sample_block.h"
#include "common/sample_rate.h"
#include "common/utf.h"
#include "sdr/channelizer.h"

namespace wavelore {

struct CRadioWaveIn::State {
    struct Lane {
        std::optional<CWaveInQueue> queue;  // while a device is open
        bool started = false;
        uint64_t dropped = 0;
    };

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::vector<Lane> lanes;
    bool waitForRoom = false;
    bool quit = false;
    bool ended = false;
    bool failed = false;
    std::string error;
};

namespace {

using State = CRadioWaveIn::State;

// IQ samples read at once: about 30 ms at 2 Msps.
constexpr size_t kReadSamples = 1 << 16;

class CRadioChannelDevice final : public CQueuedWaveInDevice {
  public:
    CRadioChannelDevice(std::shared_ptr<State> state, size_t lane)
        : CQueuedWaveInDevice(state->mutex, state->changed),
          m_state(std::move(state)),
          m_lane(lane) {}
    ~CRadioChannelDevice() override { Close(); }

    MmResult Close() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed) {
            return MMSYSERR_INVALHANDLE;
        }
        ResetLocked();
        Lane().queue.reset();
        m_closed = true;
        return MMSYSERR_NOERROR;
    }

  private:
    State::Lane& Lane() { return m_state->lanes[m_lane]; }
    CWaveInQueue& Queue() override { return *Lane().queue; }
    void SetStarted(bool started) override { Lane().started = started; }

    std::shared_ptr<State> m_state;
    size_t m_lane;
};

// Each channel's audio into its device's buffers, as 16-bit samples.
class CLaneWriter final : public IChannelSink {
  public:
    explicit CLaneWriter(State& state) : m_state(state) {}

    void OnChannelBlock(size_t channel, const SampleBlock& block) override {
        const size_t count = std::min(m_pcm.size(), static_cast<size_t>(block.Count()));
        for (size_t i = 0; i < count; ++i) {
            const double v = std::nearbyint(block[static_cast<int32_t>(i)] / kSampleScale);
            m_pcm[i] = static_cast<int16_t>(std::clamp(v, -32767.0, 32767.0));
        }
        std::unique_lock<std::mutex> lock(m_state.mutex);
        State::Lane& lane = m_state.lanes[channel];
        size_t done = 0;
        while (!m_state.quit && lane.queue && lane.started) {
            done += lane.queue->Write(m_pcm.data() + done, count - done);
            if (done == count) {
                return;
            }
            if (!m_state.waitForRoom) {
                lane.dropped += count - done;
                return;
            }
            m_state.changed.wait(lock, [&] {
                return m_state.quit || !lane.queue || !lane.started || !lane.queue->Empty();
            });
        }
    }

  private:
    State& m_state;
    std::vector<int16_t> m_pcm = std::vector<int16_t>(kSamplesPerBuffer);
};

}  // namespace

CRadioWaveIn::CRadioWaveIn(std::unique_ptr<IIqSource> source,
                           std::unique_ptr<CChannelizer> channelizer, std::vector<double> channels,
                           bool waitForRoom)
    : m_source(std::move(source)),
      m_channelizer(std::move(channelizer)),
      m_channels(std::move(channels)),
      m_state(std::make_shared<State>()) {
    m_state->lanes.resize(m_channels.size());
    m_state->waitForRoom = waitForRoom;
}

std::unique_ptr<CRadioWaveIn> CRadioWaveIn::Create(std::unique_ptr<IIqSource> source,
                                                   const IqFormat& band,
                                                   const std::vector<double>& channels,
                                                   bool waitForRoom, std::string& error) {
    if (!source) {
        error = "no radio";
        return nullptr;
    }
    ChannelizerSettings settings;
    settings.sampleRate = band.sampleRate;
    settings.centreHz = band.centreHz;
    settings.channels = channels;
    std::unique_ptr<CChannelizer> channelizer = CChannelizer::Create(settings, error);
    if (!channelizer) {
        return nullptr;
    }
    try {
        return std::unique_ptr<CRadioWaveIn>(
            new CRadioWaveIn(std::move(source), std::move(channelizer), channels, waitForRoom));
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return nullptr;
    }
}

CRadioWaveIn::~CRadioWaveIn() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->quit = true;
        m_state->changed.notify_all();
    }
    // Releases a Read waiting for samples.
    m_source->Stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CRadioWaveIn::Start(std::string& error) {
    if (m_thread.joinable()) {
        return true;
    }
    if (!m_source->Start(error)) {
        return false;
    }
    try {
        m_thread = std::thread([this] { Pump(); });
    } catch (const std::system_error&) {
        m_source->Stop();
        error = "cannot start the radio's thread";
        return false;
    }
    return true;
}

void CRadioWaveIn::Pump() {
    std::vector<std::complex<float>> samples;
    std::optional<CLaneWriter> writer;
    try {
        samples.resize(kReadSamples);
        writer.emplace(*m_state);
    } catch (const std::bad_alloc&) {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->failed = true;
        m_state->error = "out of memory";
        return;
    }
    for (;;) {
        const size_t n = m_source->Read(samples.data(), samples.size());
        if (n == 0) {
            break;
        }
        m_channelizer->Process(samples.data(), n, *writer);
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->quit) {
            return;
        }
    }
    if (!m_source->Failed()) {
        // What the channelizer still holds of the recording's last moments.
        m_channelizer->Flush(*writer);
    }
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->quit) {
        return;
    }
    if (m_source->Failed()) {
        m_state->failed = true;
        m_state->error = m_source->Error();
        return;
    }
    for (State::Lane& lane : m_state->lanes) {
        if (lane.queue) {
            lane.queue->PadHead();
            lane.queue->AnnounceEnd();
        }
    }
    m_state->ended = true;
}

uint32_t CRadioWaveIn::GetNumDevs() {
    return static_cast<uint32_t>(m_channels.size());
}

MmResult CRadioWaveIn::GetDevCaps(uint32_t deviceId, WaveInCaps& caps) {
    if (deviceId >= m_channels.size()) {
        return MMSYSERR_BADDEVICEID;
    }
    const double khz = m_channels[deviceId] / 1000.0;
    char text[32];
    std::snprintf(text, sizeof text, "%g kHz", khz);
    caps.productName = FromUtf8(text);
    caps.defaultRate = kSampleRate;
    caps.channels = 1;
    return MMSYSERR_NOERROR;
}

MmResult CRadioWaveIn::Open(uint32_t deviceId, const WaveFormat& format,
                            CThreadMessageQueue* notify, std::unique_ptr<IWaveInDevice>& device) {
    device.reset();
    if (deviceId >= m_channels.size()) {
        return MMSYSERR_BADDEVICEID;
    }
    if (!IsMono16Pcm(format) || format.samplesPerSec != static_cast<uint32_t>(kSampleRate)) {
        return WAVERR_BADFORMAT;
    }
    std::lock_guard<std::mutex> lock(m_state->mutex);
    State::Lane& lane = m_state->lanes[deviceId];
    if (lane.queue) {
        return MMSYSERR_ALLOCATED;
    }
    device.reset(new (std::nothrow) CRadioChannelDevice(m_state, deviceId));
    if (!device) {
        return MMSYSERR_NOMEM;
    }
    lane.queue.emplace(notify);
    lane.started = false;
    return MMSYSERR_NOERROR;
}

uint64_t CRadioWaveIn::SamplesLost() const {
    const IqFormat format = m_source->Format();
    const uint64_t radio =
        format.sampleRate > 0 ? static_cast<uint64_t>(static_cast<double>(m_source->SamplesLost()) *
                                                      kSampleRate / format.sampleRate)
                              : 0;
    std::lock_guard<std::mutex> lock(m_state->mutex);
    uint64_t most = 0;
    for (const State::Lane& lane : m_state->lanes) {
        most = std::max(most, lane.dropped);
    }
    return radio + most;
}

std::string CRadioWaveIn::Description() const {
    return m_source->Description();
}

bool CRadioWaveIn::Ended() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->ended;
}

bool CRadioWaveIn::Failed() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->failed;
}

std::string CRadioWaveIn::Error() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->error;
}

}  // namespace wavelore
