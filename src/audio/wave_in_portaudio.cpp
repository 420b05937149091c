#include "audio/wave_in_portaudio.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "audio/wave_in_queue.h"
#include "common/utf.h"

namespace wavelore {

namespace {

// Single-producer (the audio callback), single-consumer (the pump) ring of
// samples. Indices only grow; capacity is a power of two.
class CSampleRing {
  public:
    bool Allocate(size_t capacity) {
        m_data.reset(new (std::nothrow) int16_t[capacity]);
        m_mask = capacity - 1;
        return m_data != nullptr;
    }

    // Producer side; returns how many samples fitted.
    size_t Write(const int16_t* samples, size_t count) {
        const size_t w = m_write.load(std::memory_order_relaxed);
        const size_t r = m_read.load(std::memory_order_acquire);
        const size_t n = std::min(count, m_mask + 1 - (w - r));
        for (size_t i = 0; i < n; ++i) {
            m_data[(w + i) & m_mask] = samples[i];
        }
        m_write.store(w + n, std::memory_order_release);
        return n;
    }

    // Consumer side.
    size_t Read(int16_t* out, size_t count) {
        const size_t r = m_read.load(std::memory_order_relaxed);
        const size_t w = m_write.load(std::memory_order_acquire);
        const size_t n = std::min(count, w - r);
        for (size_t i = 0; i < n; ++i) {
            out[i] = m_data[(r + i) & m_mask];
        }
        m_read.store(r + n, std::memory_order_release);
        return n;
    }

    // Consumer side: forgets everything written so far.
    void Clear() {
        m_read.store(m_write.load(std::memory_order_acquire), std::memory_order_release);
    }

  private:
    std::unique_ptr<int16_t[]> m_data;
    size_t m_mask = 0;
    alignas(64) std::atomic<size_t> m_write{0};
    alignas(64) std::atomic<size_t> m_read{0};
};

// 2^17 samples: about twelve seconds at 11025 Hz.
constexpr size_t kRingCapacity = size_t{1} << 17;

class CPortAudioDevice final : public IWaveInDevice {
  public:
    CPortAudioDevice(CThreadMessageQueue* notify, int channels)
        : m_queue(notify), m_channels(channels) {}
    ~CPortAudioDevice() override { Close(); }

    // Opens the stream and starts the pump; false leaves nothing running.
    MmResult Open(const PaStreamParameters& params, double rate) {
        if (!m_ring.Allocate(kRingCapacity)) {
            return MMSYSERR_NOMEM;
        }
        PaError err = Pa_OpenStream(&m_stream, &params, nullptr, rate, paFramesPerBufferUnspecified,
                                    paNoFlag, &CPortAudioDevice::Callback, this);
        if (err != paNoError) {
            m_stream = nullptr;
            return err == paDeviceUnavailable ? MMSYSERR_ALLOCATED : WAVERR_BADFORMAT;
        }
        m_pump = std::thread([this] { Pump(); });
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
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_stream) {
            return MMSYSERR_INVALHANDLE;
        }
        MmResult r = m_queue.Add(header);
        if (r == MMSYSERR_NOERROR) {
            Fill();
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
        m_ring.Clear();
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
        m_wake.fetch_add(1, std::memory_order_release);
        m_wake.notify_one();
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
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
        static_cast<CPortAudioDevice*>(user)->OnInput(static_cast<const int16_t*>(input), frames);
        return paContinue;
    }

    // The audio thread: copy, wake, nothing else.
    void OnInput(const int16_t* input, unsigned long frames) {
        if (input == nullptr) {
            return;
        }
        if (m_channels == 1) {
            m_ring.Write(input, frames);
        } else {
            int16_t mixed[256];
            size_t done = 0;
            while (done < frames) {
                size_t n = std::min<size_t>(std::size(mixed), frames - done);
                for (size_t i = 0; i < n; ++i) {
                    const int16_t* f = input + (done + i) * m_channels;
                    mixed[i] = static_cast<int16_t>((int32_t{f[0]} + int32_t{f[1]}) / 2);
                }
                m_ring.Write(mixed, n);
                done += n;
            }
        }
        m_wake.fetch_add(1, std::memory_order_release);
        m_wake.notify_one();
    }

    void Pump() {
        for (;;) {
            uint32_t seen = m_wake.load(std::memory_order_acquire);
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

    // Under m_mutex: moves ring samples into the queued headers.
    void Fill() {
        for (;;) {
            size_t room = 0;
            int16_t* at = m_queue.Space(room);
            if (at == nullptr) {
                return;
            }
            size_t got = m_ring.Read(at, room);
            m_queue.Commit(got);
            if (got < room) {
                return;
            }
        }
    }

    MmResult ResetLocked() {
        if (m_running) {
            Pa_AbortStream(m_stream);
            m_running = false;
        }
        // What was captured before the reset still lands in the headers.
        Fill();
        m_queue.ReturnAll();
        return MMSYSERR_NOERROR;
    }

    std::mutex m_mutex;
    CWaveInQueue m_queue;
    int m_channels;
    PaStream* m_stream = nullptr;
    bool m_running = false;
    CSampleRing m_ring;
    std::atomic<uint32_t> m_wake{0};
    std::atomic<bool> m_quit{false};
    std::thread m_pump;
};

}  // namespace

struct CPortAudioWaveIn::Impl {
    bool tried = false;
    bool initialised = false;
    std::vector<PaDeviceIndex> inputs;

    bool Ensure() {
        if (tried) {
            return initialised;
        }
        tried = true;
        // ALSA and JACK report every configuration they probe on standard
        // error while PortAudio enumerates; none of it concerns the user.
        int saved = dup(STDERR_FILENO);
        int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved >= 0 && null >= 0) {
            dup2(null, STDERR_FILENO);
        }
        initialised = Pa_Initialize() == paNoError;
        if (saved >= 0 && null >= 0) {
            dup2(saved, STDERR_FILENO);
        }
        if (saved >= 0) {
            close(saved);
        }
        if (null >= 0) {
            close(null);
        }
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
    const double rate = format.samplesPerSec;
    // Some hardware captures only in stereo; mixing down is ours to do.
    int channels = 0;
    for (int c : {1, 2}) {
        params.channelCount = c;
        if (c <= info->maxInputChannels &&
            Pa_IsFormatSupported(&params, nullptr, rate) == paFormatIsSupported) {
            channels = c;
            break;
        }
    }
    if (channels == 0) {
        return WAVERR_BADFORMAT;
    }
    params.channelCount = channels;
    auto opened =
        std::unique_ptr<CPortAudioDevice>(new (std::nothrow) CPortAudioDevice(notify, channels));
    if (!opened) {
        return MMSYSERR_NOMEM;
    }
    MmResult r = opened->Open(params, rate);
    if (r != MMSYSERR_NOERROR) {
        return r;
    }
    device = std::move(opened);
    return MMSYSERR_NOERROR;
}

}  // namespace wavelore
