#pragma once

#include <condition_variable>
#include <mutex>

#include "audio/wave_in.h"
#include "audio/wave_in_queue.h"

namespace wavelore {

// A wave-input device whose buffers a thread of its driver fills (a
// recording played, a radio's channel): the header calls on a
// CWaveInQueue under the driver's lock, each waking the filling thread.
// Close is the device's own, as is what a stop or a start means to its
// thread.
class CQueuedWaveInDevice : public IWaveInDevice {
  public:
    MmResult PrepareHeader(WaveHeader& header) final;
    MmResult UnprepareHeader(WaveHeader& header) final;
    MmResult AddBuffer(WaveHeader& header) final;
    MmResult Start() final;
    MmResult Reset() final;

  protected:
    // mutex guards the queue and what the filling thread reads; changed
    // wakes it. Both must outlive the device.
    CQueuedWaveInDevice(std::mutex& mutex, std::condition_variable& changed)
        : m_mutex(mutex), m_changed(changed) {}

    // Called with the lock held.
    virtual CWaveInQueue& Queue() = 0;
    virtual void SetStarted(bool started) = 0;
    // Stops capture and returns every queued buffer.
    virtual void ResetLocked();

    std::mutex& m_mutex;
    std::condition_variable& m_changed;
    bool m_closed = false;
};

}  // namespace wavelore
