#include "audio/wave_in_portaudio.h"

#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "audio/portaudio_setup.h"
#include "audio/sample_rate_converter.h"
#include "audio/sample_ring.h"
#include "audio/wave_in_queue.h"
#include "common/utf.h"

namespace wavelore {

namespace {

// About ten seconds of capture at any rate, so a decoder thread that falls
// behind for a moment loses nothing.
size_t RingCapacity(uint32_t rate) {
    size_t capacity = size_t{1} << 12;
    while (capacity < size_t{rate} * 10 && capacity < (size_t{1} << 24)) {
        capacity <<= 1;
    }
    return capacity;
}

// Device samples the pump converts per step.
constexpr size_t kConvertChunk = 1024;

class CPortAudioDevice final : public IWaveInDevice {
  public:
    // rate: the stream's; outputRate: the headers'. lost: the driver's count,
    // which outlives the device.
    CPortAudioDevice(CThreadMessageQueue* notify, int channels, uint32_t rate, uint32_t outputRate,
                     std::atomic<uint64_t>& lost)
        : m_queue(notify),
          m_channels(channels),
          m_rate(rate),
          m_outputRate(outputRate),
          m_lost(lost) {}
    ~CPortAudioDevice() override { Close(); }

    // Opens the stream and starts the pump; on failure nothing is left
    // running. The PortAudio error, when there is one, is left in paError.
    MmResult Open(const PaStreamParameters& params, PaError& paError) {
        paError = paNoError;
        if (!m_ring.Allocate(RingCapacity(m_rate))) {
            return MMSYSERR_NOMEM;
        }
        if (m_rate != m_outputRate) {
            m_staging.reset(new (std::nothrow) int16_t[kConvertChunk]);
            if (!m_staging || !m_converter.Open(m_rate, m_outputRate, kConvertChunk)) {
                return MMSYSERR_NOMEM;
            }
            m_converting = true;
        }
        paError = Pa_OpenStream(&m_stream, &params, nullptr, m_rate, paFramesPerBufferUnspecified,
                                paNoFlag, &CPortAudioDevice::Callback, this);
        if (paError != paNoError) {
            m_stream = nullptr;
            return paError == paDeviceUnavailable ? MMSYSERR_ALLOCATED : WAVERR_BADFORMAT;
        }
        try {
            m_pump = std::thread([this] { Pump(); });
        } catch (const std::system_error&) {
            Pa_CloseStream(m_stream);
            m_stream = nullptr;
            return MMSYSERR_NOMEM;
        }
        return MMSYSERR_NOERROR;
    }

    MmResult PrepareHeader(WaveHeader& header) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stream ? m_queue.Prepare(header) : MMSYSERR_INVALHANDLE;
    }

    MmResult UnprepareHeader(WaveHeader& header) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stream ? m_queue.Unprepare(header) : MMSYSERR_INVALHANDLE;
    }

    MmResult AddBuffer(WaveHeader& header) override {
        MmResult r;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_stream) {
                return MMSYSERR_INVALHANDLE;
            }
            r = m_queue.Add(header);
        }
        // The pump fills it: converting is the pump's work, not the caller's.
        if (r == MMSYSERR_NOERROR) {
            Wake();
        }
        return r;
    }

    MmResult Start() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_stream) {
            return MMSYSERR_INVALHANDLE;
        }
        if (m_running) {
            return MMSYSERR_NOERROR;
        }
        // The stream is stopped, so the callback is not writing: nothing of
        // the last run reaches the new one.
        m_ring.Clear();
        m_converter.Reset();
        m_pendingAt = m_pendingCount = 0;
        m_nextAdcTime = 0.0;
        if (Pa_StartStream(m_stream) != paNoError) {
            return MMSYSERR_ERROR;
        }
        m_running = true;
        return MMSYSERR_NOERROR;
    }

    MmResult Reset() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_stream) {
            return MMSYSERR_INVALHANDLE;
        }
        return ResetLocked();
    }

    MmResult Close() override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_stream) {
                return MMSYSERR_INVALHANDLE;
            }
            ResetLocked();
            m_quit.store(true);
        }
        Wake();
        if (m_pump.joinable()) {
            m_pump.join();
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
        return MMSYSERR_NOERROR;
    }

  private:
    static int Callback(const void* input, void*, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                        void* user) {
        static_cast<CPortAudioDevice*>(user)->OnInput(static_cast<const int16_t*>(input), frames,
                                                      time, flags);
        return paContinue;
    }

    // The audio thread: count, copy, wake; it never locks, blocks or
    // allocates.
    void OnInput(const int16_t* input, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                 PaStreamCallbackFlags flags) {
        const double adc = time != nullptr ? time->inputBufferAdcTime : 0.0;
        if (flags & paInputOverflow) {
            CountLost(HostOverflow(adc, frames));
        }
        m_nextAdcTime = adc > 0.0 ? adc + static_cast<double>(frames) / m_rate : 0.0;
        if (input == nullptr) {
            return;
        }
        size_t kept = 0;
        if (m_channels == 1) {
            kept = m_ring.Write(input, frames);
        } else {
            // Some hardware captures only in stereo; mixing down is ours.
            int16_t mixed[256];
            for (size_t done = 0; done < frames;) {
                const size_t n = std::min<size_t>(std::size(mixed), frames - done);
                for (size_t i = 0; i < n; ++i) {
                    const int16_t* f = input + (done + i) * m_channels;
                    mixed[i] = static_cast<int16_t>((int32_t{f[0]} + int32_t{f[1]}) / 2);
                }
                kept += m_ring.Write(mixed, n);
                done += n;
            }
        }
        CountLost(frames - kept);
        Wake();
    }

    // Audio thread: how much the host discarded before this buffer, from
    // the gap in the capture clock. A clock that cannot tell counts this
    // buffer's length, the least a host overrun loses.
    uint64_t HostOverflow(double adc, unsigned long frames) const {
        if (m_nextAdcTime > 0.0 && adc > m_nextAdcTime) {
            const double gap = std::round((adc - m_nextAdcTime) * m_rate);
            if (gap >= 1.0 && gap <= 60.0 * m_rate) {
                return static_cast<uint64_t>(gap);
            }
        }
        return frames;
    }

    // Audio thread: adds device samples to the driver's count at the
    // headers' rate, carrying the remainder so that nothing rounds away.
    void CountLost(uint64_t frames) {
        if (frames == 0) {
            return;
        }
        m_lostCarry += frames * m_outputRate;
        const uint64_t whole = m_lostCarry / m_rate;
        m_lostCarry -= whole * m_rate;
        m_lost.fetch_add(whole, std::memory_order_relaxed);
    }

    void Wake() {
        m_wake.fetch_add(1, std::memory_order_release);
        m_wake.notify_one();
    }

    void Pump() {
        for (;;) {
            const uint32_t seen = m_wake.load(std::memory_order_acquire);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_quit.load()) {
                    return;
                }
                Fill();
            }
            m_wake.wait(seen, std::memory_order_acquire);
        }
    }

    // Under m_mutex: moves ring samples into the queued headers, converting
    // them to the headers' rate on the way when the stream runs at another.
    // Samples stay in the ring while no header is queued.
    void Fill() {
        if (m_converting) {
            FillConverted();
            return;
        }
        for (;;) {
            size_t room = 0;
            int16_t* at = m_queue.Space(room);
            if (at == nullptr) {
                return;
            }
            const size_t got = m_ring.Read(at, room);
            m_queue.Commit(got);
            if (got < room) {
                return;
            }
        }
    }

    void FillConverted() {
        for (;;) {
            if (m_pendingAt < m_pendingCount) {
                m_pendingAt += m_queue.Write(m_pending + m_pendingAt, m_pendingCount - m_pendingAt);
                if (m_pendingAt < m_pendingCount) {
                    return;
                }
            }
            if (m_queue.Empty()) {
                return;
            }
            const size_t got = m_ring.Read(m_staging.get(), kConvertChunk);
            if (got == 0) {
                return;
            }
            m_pendingAt = 0;
            if (!m_converter.Process(m_staging.get(), got, m_pending, m_pendingCount)) {
                m_pendingCount = 0;
                m_lost.fetch_add(got * m_outputRate / m_rate, std::memory_order_relaxed);
            }
        }
    }

    // What was captured before the reset still lands in the headers; the
    // caller's thread converts it, as the stream has stopped.
    MmResult ResetLocked() {
        if (m_running) {
            Pa_AbortStream(m_stream);
            m_running = false;
        }
        Fill();
        m_queue.ReturnAll();
        return MMSYSERR_NOERROR;
    }

    std::mutex m_mutex;
    CWaveInQueue m_queue;
    const int m_channels;
    const uint32_t m_rate;
    const uint32_t m_outputRate;
    std::atomic<uint64_t>& m_lost;
    PaStream* m_stream = nullptr;
    bool m_running = false;
    CSampleRing m_ring;
    // The pump's conversion, under m_mutex.
    bool m_converting = false;
    CSampleRateConverter m_converter;
    std::unique_ptr<int16_t[]> m_staging;
    const int16_t* m_pending = nullptr;  // converted, not yet in a header
    size_t m_pendingAt = 0;
    size_t m_pendingCount = 0;
    // The audio thread's own.
    double m_nextAdcTime = 0.0;
    uint64_t m_lostCarry = 0;
    std::atomic<uint32_t> m_wake{0};
    std::atomic<bool> m_quit{false};
    std::thread m_pump;
};

// The stream formats to try on a device, best first: the wanted rate, which
// needs no conversion, then the device's own rate and the two rates every
// card has; mono, or else stereo mixed down.
struct StreamChoice {
    uint32_t rate;
    int channels;
};

std::vector<StreamChoice> StreamChoices(uint32_t wanted, const PaDeviceInfo& info) {
    std::vector<uint32_t> rates = {wanted};
    const double own = info.defaultSampleRate;
    if (own >= 1000.0 && own <= 768000.0 && own == std::floor(own)) {
        rates.push_back(static_cast<uint32_t>(own));
    }
    rates.push_back(48000);
    rates.push_back(44100);
    std::vector<StreamChoice> choices;
    for (size_t i = 0; i < rates.size(); ++i) {
        if (std::find(rates.begin(), rates.begin() + static_cast<long>(i), rates[i]) !=
            rates.begin() + static_cast<long>(i)) {
            continue;
        }
        for (int channels = 1; channels <= std::min(2, info.maxInputChannels); ++channels) {
            choices.push_back({rates[i], channels});
        }
    }
    return choices;
}

}  // namespace

struct CPortAudioWaveIn::Impl {
    bool tried = false;
    bool initialised = false;
    std::vector<PaDeviceIndex> inputs;
    std::atomic<uint64_t> lost{0};

    bool Ensure() {
        std::lock_guard<std::mutex> lock(PortAudioLock());
        if (tried) {
            return initialised;
        }
        tried = true;
        initialised = InitialisePortAudioQuietly();
        if (!initialised) {
            return false;
        }
        const PaDeviceIndex count = Pa_GetDeviceCount();
        for (PaDeviceIndex i = 0; i < count; ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
            if (info != nullptr && info->maxInputChannels > 0) {
                inputs.push_back(i);
            }
        }
        return true;
    }
};

CPortAudioWaveIn::CPortAudioWaveIn() : m_impl(std::make_unique<Impl>()) {}

CPortAudioWaveIn::~CPortAudioWaveIn() {
    std::lock_guard<std::mutex> lock(PortAudioLock());
    if (m_impl->initialised) {
        Pa_Terminate();
    }
}

uint32_t CPortAudioWaveIn::GetNumDevs() {
    return m_impl->Ensure() ? static_cast<uint32_t>(m_impl->inputs.size()) : 0;
}

MmResult CPortAudioWaveIn::GetDevCaps(uint32_t deviceId, WaveInCaps& caps) {
    if (!m_impl->Ensure()) {
        return MMSYSERR_NODRIVER;
    }
    if (deviceId >= m_impl->inputs.size()) {
        return MMSYSERR_BADDEVICEID;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(m_impl->inputs[deviceId]);
    if (info == nullptr || info->name == nullptr) {
        return MMSYSERR_ERROR;
    }
    caps.productName = FromUtf8(info->name);
    caps.defaultRate = info->defaultSampleRate > 0.0 && info->defaultSampleRate < 4.0e9
                           ? static_cast<uint32_t>(std::lround(info->defaultSampleRate))
                           : 0;
    caps.channels = static_cast<uint16_t>(std::clamp(info->maxInputChannels, 0, 65535));
    return MMSYSERR_NOERROR;
}

MmResult CPortAudioWaveIn::Open(uint32_t deviceId, const WaveFormat& format,
                                CThreadMessageQueue* notify,
                                std::unique_ptr<IWaveInDevice>& device) {
    device.reset();
    if (!m_impl->Ensure()) {
        return MMSYSERR_NODRIVER;
    }
    if (deviceId >= m_impl->inputs.size()) {
        return MMSYSERR_BADDEVICEID;
    }
    if (!IsMono16Pcm(format)) {
        return WAVERR_BADFORMAT;
    }
    const PaDeviceIndex index = m_impl->inputs[deviceId];
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info == nullptr) {
        return MMSYSERR_BADDEVICEID;
    }
    PaStreamParameters params{};
    params.device = index;
    params.sampleFormat = paInt16;
    params.suggestedLatency = info->defaultLowInputLatency;
    bool busy = false;
    for (const StreamChoice& choice : StreamChoices(format.samplesPerSec, *info)) {
        params.channelCount = choice.channels;
        const PaError supported = Pa_IsFormatSupported(&params, nullptr, choice.rate);
        if (supported != paFormatIsSupported) {
            busy = busy || supported == paDeviceUnavailable;
            continue;
        }
        auto opened = std::unique_ptr<CPortAudioDevice>(new (std::nothrow) CPortAudioDevice(
            notify, choice.channels, choice.rate, format.samplesPerSec, m_impl->lost));
        if (!opened) {
            return MMSYSERR_NOMEM;
        }
        PaError paError = paNoError;
        const MmResult r = opened->Open(params, paError);
        if (r == MMSYSERR_NOERROR) {
            device = std::move(opened);
            return MMSYSERR_NOERROR;
        }
        if (paError == paNoError || paError == paDeviceUnavailable) {
            return r;  // out of memory or threads, or the device is busy
        }
    }
    return busy ? MMSYSERR_ALLOCATED : WAVERR_BADFORMAT;
}

uint64_t CPortAudioWaveIn::SamplesLost() const {
    return m_impl->lost.load(std::memory_order_relaxed);
}

}  // namespace wavelore
