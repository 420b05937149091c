#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "audio/wave_in.h"
#include "common/modes.h"

namespace wavelore {

class CThreadMessageQueue;
class IUserNotifier;

// Sound capture for the decoder thread: two 2048-sample buffers in strict
// rotation, each filled buffer announced to the owner's queue as
// MM_WIM_DATA. Every failure is shown through the notifier and returned as
// the failing call's error code.
class CSoundInput {
  public:
    // driver, owner and notifier must outlive the object.
    CSoundInput(IWaveInDriver& driver, CThreadMessageQueue& owner, IUserNotifier& notifier);
    // Resets and closes the device, so no buffer is touched afterwards.
    ~CSoundInput();
    CSoundInput(const CSoundInput&) = delete;
    CSoundInput& operator=(const CSoundInput&) = delete;

    // 0 on success or the failing call's code. With no device at all it
    // shows its message and returns 0 without opening anything; Restart
    // then fails.
    MmResult Open(uint32_t deviceId);
    // For each MM_WIM_DATA: the next buffer in turn becomes current and goes
    // straight back to the device.
    MmResult Requeue();
    // The 2048 samples of the current buffer. They are copied out of the
    // device's buffer before it is handed back, so the device may refill it
    // while these are being read.
    const int16_t* CurrentSamples() const { return m_current.data(); }
    MmResult Restart();
    MmResult Reset();
    // Set once Open has completed.
    bool Started() const { return m_started; }

  private:
    static constexpr uint32_t kBufferBytes = 2 * kSamplesPerBuffer;

    IWaveInDriver& m_driver;
    CThreadMessageQueue& m_owner;
    IUserNotifier& m_notifier;
    std::unique_ptr<IWaveInDevice> m_device;
    WaveInCaps m_caps;
    WaveFormat m_format;
    std::array<int16_t, kSamplesPerBuffer> m_buffer1{};
    std::array<int16_t, kSamplesPerBuffer> m_buffer2{};
    std::array<int16_t, kSamplesPerBuffer> m_current{};
    WaveHeader m_header1;
    WaveHeader m_header2;
    bool m_nextIsBuffer1 = true;
    bool m_started = false;
};

}  // namespace wavelore
