#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "audio/wave_in.h"

namespace wavelore {

class CThreadMessageQueue;

// The header bookkeeping every wave-input device shares: prepare, queue,
// fill in order, announce full headers with MM_WIM_DATA, return the rest on
// reset. Not thread-safe: the device calls it under its own lock, which is
// what makes a queued header the device's alone.
class CWaveInQueue {
  public:
    // notify: receives MM_WIM_DATA; may be null (nothing is announced).
    explicit CWaveInQueue(CThreadMessageQueue* notify) : m_notify(notify) {}

    MmResult Prepare(WaveHeader& header);
    MmResult Unprepare(WaveHeader& header);
    MmResult Add(WaveHeader& header);

    // Copies up to count samples into the queued headers, completing and
    // announcing each as it fills; returns how many samples found room.
    size_t Write(const int16_t* samples, size_t count);
    // Room left in the head header, in samples, and where it starts
    // (null and 0 when nothing is queued). Commit after writing there.
    int16_t* Space(size_t& samples);
    void Commit(size_t samples);
    // Completes the head header with zeros when it holds part of a buffer,
    // so the last samples of a finite source reach the receiver.
    void PadHead();
    // Marks every queued header done, as filled so far, and announces it.
    void ReturnAll();
    // A finite source has no more samples: posts WM_SOUND_ENDED after the
    // buffers announced so far.
    void AnnounceEnd();

    bool Empty() const { return m_queue.empty(); }
    size_t Queued() const { return m_queue.size(); }
    // Headers announced so far (full or returned).
    uint64_t Announced() const { return m_announced; }

  private:
    void Complete();

    CThreadMessageQueue* m_notify;
    std::deque<WaveHeader*> m_queue;
    uint64_t m_announced = 0;
};

}  // namespace wavelore
