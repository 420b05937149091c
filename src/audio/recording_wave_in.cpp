#include "audio/recording_wave_in.h"

#include <chrono>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "audio/queued_wave_in_device.h"
#include "audio/wave_in_queue.h"
#include "common/modes.h"

namespace wavelore {

struct CRecordingWaveIn::State {
    State(std::unique_ptr<ISampleSource> s, Pace p) : source(std::move(s)), pace(p) {}

    std::unique_ptr<ISampleSource> source;
    Pace pace;
    bool paused = false;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::optional<CWaveInQueue> queue;  // while a device is open
    bool open = false;
    bool started = false;
    bool quit = false;
    bool ended = false;
    uint64_t delivered = 0;
    uint64_t dropped = 0;
};

namespace {

using Clock = std::chrono::steady_clock;
using State = CRecordingWaveIn::State;
using Pace = CRecordingWaveIn::Pace;

// Read size; at real-time pace also the step of delivery (46 ms).
constexpr size_t kChunk = 512;

class CRecordingDevice final : public CQueuedWaveInDevice {
  public:
    explicit CRecordingDevice(std::shared_ptr<State> state)
        : CQueuedWaveInDevice(state->mutex, state->changed), m_state(std::move(state)) {}
    ~CRecordingDevice() override { Close(); }

    // Starts the "hardware"; false when no thread can be had, and then the
    // device is closed.
    bool StartDelivery() {
        try {
            m_thread = std::thread([this] { Deliver(); });
        } catch (const std::system_error&) {
            Close();
            return false;
        }
        return true;
    }

    MmResult Close() override {
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            if (m_closed) {
                return MMSYSERR_INVALHANDLE;
            }
            ResetLocked();
            m_closed = true;
            m_state->quit = true;
            m_state->changed.notify_all();
        }
        if (m_thread.joinable()) {
            m_thread.join();
        }
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->queue.reset();
        m_state->open = false;
        m_state->quit = false;
        return MMSYSERR_NOERROR;
    }

  private:
    CWaveInQueue& Queue() override { return *m_state->queue; }
    void SetStarted(bool started) override { m_state->started = started; }
    void ResetLocked() override {
        CQueuedWaveInDevice::ResetLocked();
        m_state->delivered = m_state->queue->Announced();
    }

    // The "hardware": reads the recording and fills queued buffers.
    void Deliver() {
        State& s = *m_state;
        int16_t staging[kChunk];
        size_t have = 0;
        size_t pos = 0;
        bool eof = false;
        bool running = false;
        Pace pacedAs = s.pace;
        Clock::time_point t0;
        uint64_t paced = 0;  // samples delivered since t0
        std::unique_lock<std::mutex> lock(s.mutex);
        while (!s.quit) {
            if (!s.started || s.ended || s.paused) {
                running = false;
                s.changed.wait(lock);
                continue;
            }
            // Real time counts again from a resume or a change of pace.
            if (!running || pacedAs != s.pace) {
                running = true;
                pacedAs = s.pace;
                t0 = Clock::now();
                paced = 0;
            }
            if (pos == have && !eof) {
                lock.unlock();
                have = s.source->Read(staging, kChunk);
                lock.lock();
                pos = 0;
                eof = have == 0;
                continue;
            }
            if (eof) {
                s.queue->PadHead();
                s.queue->AnnounceEnd();
                s.delivered = s.queue->Announced();
                s.ended = true;
                s.changed.notify_all();
                continue;
            }
            if (s.pace == Pace::RealTime) {
                paced += have - pos;
                // Whole seconds apart, so days of audio cannot overflow.
                const auto due =
                    t0 + std::chrono::seconds(paced / kSampleRate) +
                    std::chrono::nanoseconds((paced % kSampleRate) * 1'000'000'000 / kSampleRate);
                const auto interrupted = [&] {
                    return s.quit || !s.started || s.paused || s.pace != Pace::RealTime;
                };
                s.changed.wait_until(lock, due, interrupted);
                if (interrupted()) {
                    paced -= have - pos;
                    continue;
                }
                size_t n = s.queue->Write(staging + pos, have - pos);
                s.dropped += (have - pos) - n;
                pos = have;
            } else {
                if (s.queue->Empty()) {
                    s.changed.wait(lock, [&] {
                        return s.quit || !s.started || s.paused || s.pace != Pace::AsTaken ||
                               !s.queue->Empty();
                    });
                    continue;
                }
                pos += s.queue->Write(staging + pos, have - pos);
            }
            s.delivered = s.queue->Announced();
        }
    }

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

}  // namespace

CRecordingWaveIn::CRecordingWaveIn(std::unique_ptr<ISampleSource> source, std::u16string name,
                                   Pace pace)
    : m_state(std::make_shared<State>(std::move(source), pace)), m_name(std::move(name)) {}

CRecordingWaveIn::~CRecordingWaveIn() = default;

MmResult CRecordingWaveIn::GetDevCaps(uint32_t deviceId, WaveInCaps& caps) {
    if (deviceId != 0) {
        return MMSYSERR_BADDEVICEID;
    }
    caps.productName = m_name;
    caps.defaultRate = kSampleRate;
    caps.channels = 1;
    return MMSYSERR_NOERROR;
}

MmResult CRecordingWaveIn::Open(uint32_t deviceId, const WaveFormat& format,
                                CThreadMessageQueue* notify,
                                std::unique_ptr<IWaveInDevice>& device) {
    device.reset();
    if (deviceId != 0) {
        return MMSYSERR_BADDEVICEID;
    }
    if (!IsMono16Pcm(format) || format.samplesPerSec != static_cast<uint32_t>(kSampleRate)) {
        return WAVERR_BADFORMAT;
    }
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->open) {
            return MMSYSERR_ALLOCATED;
        }
        if (!m_state->source) {
            return MMSYSERR_NODRIVER;
        }
        m_state->open = true;
        m_state->queue.emplace(notify);
    }
    auto opened = std::unique_ptr<CRecordingDevice>(new (std::nothrow) CRecordingDevice(m_state));
    if (!opened) {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->open = false;
        m_state->queue.reset();
        return MMSYSERR_NOMEM;
    }
    if (!opened->StartDelivery()) {
        return MMSYSERR_NOMEM;  // closing released the device
    }
    device = std::move(opened);
    return MMSYSERR_NOERROR;
}

void CRecordingWaveIn::SetPace(Pace pace) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->pace = pace;
    m_state->changed.notify_all();
}

CRecordingWaveIn::Pace CRecordingWaveIn::GetPace() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->pace;
}

void CRecordingWaveIn::SetPaused(bool paused) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->paused = paused;
    m_state->changed.notify_all();
}

bool CRecordingWaveIn::Paused() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->paused;
}

bool CRecordingWaveIn::Ended() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->ended;
}

uint64_t CRecordingWaveIn::BuffersDelivered() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->delivered;
}

std::string CRecordingWaveIn::SourceError() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->ended ? m_state->source->Error() : std::string();
}

uint64_t CRecordingWaveIn::SamplesLost() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->dropped;
}

}  // namespace wavelore
