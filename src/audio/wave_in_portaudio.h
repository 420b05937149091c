#pragma once

#include <memory>

#include "audio/wave_in.h"

namespace wavelore {

// The wave-input layer over PortAudio (ALSA, PulseAudio and JACK on Linux).
// Device ids count PortAudio's devices that have inputs, in PortAudio's
// order; the product name is PortAudio's device name.
//
// PortAudio is initialised at the first call, not at construction, so a
// program (or a test) can still choose the ALSA configuration before that.
// Devices opened here must be closed before the driver is destroyed.
//
// Capture path: the audio callback only copies (and for a stereo-only device
// averages) samples into a preallocated lock-free ring and wakes a pump
// thread; it never locks, blocks or allocates. The pump moves the samples
// into the queued headers and posts MM_WIM_DATA, which may lock and allocate.
// The ring holds about twelve seconds, so a decoder thread that falls behind
// for a moment loses nothing; when it overflows, the newest samples are
// dropped, as a sound card drops input nobody collects.
class CPortAudioWaveIn final : public IWaveInDriver {
  public:
    CPortAudioWaveIn();
    ~CPortAudioWaveIn() override;
    CPortAudioWaveIn(const CPortAudioWaveIn&) = delete;
    CPortAudioWaveIn& operator=(const CPortAudioWaveIn&) = delete;

    uint32_t GetNumDevs() override;
    MmResult GetDevCaps(uint32_t deviceId, WaveInCaps& caps) override;
    // Opens at the format's rate when the device (or the ALSA plug layer in
    // front of it) supports it, mono or else stereo mixed down to mono;
    // WAVERR_BADFORMAT otherwise, MMSYSERR_ALLOCATED for a busy device.
    MmResult Open(uint32_t deviceId, const WaveFormat& format, CThreadMessageQueue* notify,
                  std::unique_ptr<IWaveInDevice>& device) override;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace wavelore
