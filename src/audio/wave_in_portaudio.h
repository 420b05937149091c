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
// That first call points the process's standard error at /dev/null while
// the host libraries probe (they report every configuration they try):
// make it before starting threads that write there. Devices opened here
// must be closed before the driver is destroyed.
//
// Any device that captures 16-bit samples will do: the stream runs at the
// wanted rate where the device offers it, else at the device's own rate (or
// 48000 or 44100 Hz), in mono or else in stereo mixed down to mono, and is
// converted to the wanted rate. Headers are filled exactly as at the wanted
// rate.
//
// Capture path: the audio callback only copies samples into a preallocated
// lock-free ring (CSampleRing) and wakes a pump thread; it never locks,
// blocks or allocates. The pump converts the rate where needed, moves the
// samples into the queued headers and posts MM_WIM_DATA, which may lock and
// allocate. The ring holds about ten seconds, so a decoder thread that falls
// behind for a moment loses nothing; when it overflows, the newest samples
// are dropped, as a sound card drops input nobody collects. Those, and what
// the host itself drops (estimated from the gap in its capture clock), are
// counted in SamplesLost.
class CPortAudioWaveIn final : public IWaveInDriver {
  public:
    CPortAudioWaveIn();
    ~CPortAudioWaveIn() override;
    CPortAudioWaveIn(const CPortAudioWaveIn&) = delete;
    CPortAudioWaveIn& operator=(const CPortAudioWaveIn&) = delete;

    uint32_t GetNumDevs() override;
    MmResult GetDevCaps(uint32_t deviceId, WaveInCaps& caps) override;
    // WAVERR_BADFORMAT for a device on which no stream opens (or a format
    // other than 16-bit mono), MMSYSERR_ALLOCATED for a busy device,
    // MMSYSERR_NOMEM when memory or a thread cannot be had.
    MmResult Open(uint32_t deviceId, const WaveFormat& format, CThreadMessageQueue* notify,
                  std::unique_ptr<IWaveInDevice>& device) override;
    uint64_t SamplesLost() const override;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace wavelore
