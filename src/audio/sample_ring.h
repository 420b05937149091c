#pragma once

#include <atomic>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace wavelore {

// The hand-over from an audio callback, which must never wait, to the thread
// that empties it: a ring of samples with one producer and one consumer that
// neither locks nor allocates once allocated.
//
// When the ring is full, Write keeps what fits and counts the rest as
// dropped: the newest samples are lost, as a sound card drops input nobody
// collects, and nothing unread is ever overwritten.
//
// Sample is a trivially copyable type: 16-bit sound, or complex samples from
// a radio (instantiated for both in sample_ring.cpp).
template <typename Sample>
class CSampleRingOf {
  public:
    // Before either side runs. capacity must be a power of two; false when
    // it is not or memory is short.
    bool Allocate(size_t capacity);
    size_t Capacity() const { return m_data ? m_mask + 1 : 0; }

    // Producer side: copies what fits, returns how many samples that was.
    size_t Write(const Sample* samples, size_t count);

    // Consumer side: copies out up to count samples, oldest first.
    size_t Read(Sample* out, size_t count);
    // Consumer side: forgets everything written so far.
    void Clear();

    // Any thread: samples refused by Write because the ring was full.
    uint64_t Dropped() const { return m_dropped.load(std::memory_order_relaxed); }

  private:
    std::unique_ptr<Sample[]> m_data;
    size_t m_mask = 0;
    // Positions only grow; the mask turns them into slots, so a wrapping
    // size_t still gives the right distance.
    alignas(64) std::atomic<size_t> m_write{0};
    std::atomic<uint64_t> m_dropped{0};  // written by the producer only
    alignas(64) std::atomic<size_t> m_read{0};
};

using CSampleRing = CSampleRingOf<int16_t>;
using CIqRing = CSampleRingOf<std::complex<float>>;

extern template class CSampleRingOf<int16_t>;
extern template class CSampleRingOf<std::complex<float>>;

}  // namespace wavelore
