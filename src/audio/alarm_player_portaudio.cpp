#include <portaudio.h>

#include <optional>

#include "audio/alarm_player.h"
#include "audio/alarm_tone.h"
#include "audio/portaudio_setup.h"

namespace wavelore {

namespace {

// Rates nearly every output device takes; the device's own is tried last.
constexpr int32_t kRates[] = {48000, 44100};

}  // namespace

struct CPortAudioAlarm::Impl {
    bool initialised = false;
    PaStream* stream = nullptr;
    // Read only by the callback while the stream runs.
    std::optional<CAlarmTone> tone;

    static int Callback(const void*, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
        CAlarmTone& tone = *static_cast<Impl*>(user)->tone;
        tone.Generate({static_cast<float*>(output), frames});
        return tone.Ended() ? paComplete : paContinue;
    }

    // An output stream on the default device at one of the usual rates.
    PaError Open(double seconds) {
        const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
        const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
        if (info == nullptr) {
            return paDeviceUnavailable;
        }
        PaStreamParameters params{};
        params.device = device;
        params.channelCount = 1;
        params.sampleFormat = paFloat32;
        params.suggestedLatency = info->defaultHighOutputLatency;
        PaError error = paInvalidSampleRate;
        for (const double rate : {double{kRates[0]}, double{kRates[1]}, info->defaultSampleRate}) {
            if (Pa_IsFormatSupported(nullptr, &params, rate) != paFormatIsSupported) {
                continue;
            }
            tone.emplace(static_cast<int32_t>(rate), seconds);
            error = Pa_OpenStream(&stream, nullptr, &params, rate, paFramesPerBufferUnspecified,
                                  paNoFlag, &Impl::Callback, this);
            if (error == paNoError) {
                return paNoError;
            }
            stream = nullptr;
        }
        return error;
    }
};

CPortAudioAlarm::CPortAudioAlarm() : m_impl(std::make_unique<Impl>()) {}

CPortAudioAlarm::~CPortAudioAlarm() {
    Stop();
    std::lock_guard<std::mutex> lock(PortAudioLock());
    if (m_impl->initialised) {
        Pa_Terminate();
    }
}

bool CPortAudioAlarm::Start(std::chrono::seconds duration, std::string& error) {
    Stop();
    if (!m_impl->initialised) {
        std::lock_guard<std::mutex> lock(PortAudioLock());
        m_impl->initialised = InitialisePortAudioQuietly();
    }
    if (!m_impl->initialised) {
        error = "the sound system cannot be started";
        return false;
    }
    PaError result = m_impl->Open(static_cast<double>(duration.count()));
    if (result == paDeviceUnavailable) {
        error = "no sound output device";
        return false;
    }
    if (result == paNoError) {
        result = Pa_StartStream(m_impl->stream);
        if (result != paNoError) {
            Pa_CloseStream(m_impl->stream);
            m_impl->stream = nullptr;
        }
    }
    if (result != paNoError) {
        error = Pa_GetErrorText(result);
        return false;
    }
    return true;
}

void CPortAudioAlarm::Stop() {
    if (m_impl->stream != nullptr) {
        Pa_AbortStream(m_impl->stream);
        Pa_CloseStream(m_impl->stream);
        m_impl->stream = nullptr;
    }
}

bool CPortAudioAlarm::Sounding() const {
    return m_impl->stream != nullptr && Pa_IsStreamActive(m_impl->stream) == 1;
}

}  // namespace wavelore
