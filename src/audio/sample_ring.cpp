#include "audio/sample_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace wavelore {

template <typename Sample>
bool CSampleRingOf<Sample>::Allocate(size_t capacity) {
    if (capacity == 0 || (capacity & (capacity - 1)) != 0) {
        return false;
    }
    m_data.reset(new (std::nothrow) Sample[capacity]);
    if (!m_data) {
        m_mask = 0;
        return false;
    }
    m_mask = capacity - 1;
    m_write.store(0);
    m_read.store(0);
    m_dropped.store(0);
    return true;
}

template <typename Sample>
size_t CSampleRingOf<Sample>::Write(const Sample* samples, size_t count) {
    const size_t w = m_write.load(std::memory_order_relaxed);
    const size_t r = m_read.load(std::memory_order_acquire);
    const size_t n = std::min(count, Capacity() - (w - r));
    if (n < count) {
        m_dropped.store(m_dropped.load(std::memory_order_relaxed) + (count - n),
                        std::memory_order_relaxed);
    }
    if (n == 0) {
        return 0;
    }
    const size_t at = w & m_mask;
    const size_t first = std::min(n, Capacity() - at);
    std::memcpy(static_cast<void*>(m_data.get() + at), samples, first * sizeof(Sample));
    std::memcpy(static_cast<void*>(m_data.get()), samples + first, (n - first) * sizeof(Sample));
    m_write.store(w + n, std::memory_order_release);
    return n;
}

template <typename Sample>
size_t CSampleRingOf<Sample>::Read(Sample* out, size_t count) {
    const size_t r = m_read.load(std::memory_order_relaxed);
    const size_t w = m_write.load(std::memory_order_acquire);
    const size_t n = std::min(count, w - r);
    if (n == 0) {
        return 0;
    }
    const size_t at = r & m_mask;
    const size_t first = std::min(n, Capacity() - at);
    std::memcpy(static_cast<void*>(out), m_data.get() + at, first * sizeof(Sample));
    std::memcpy(static_cast<void*>(out + first), m_data.get(), (n - first) * sizeof(Sample));
    m_read.store(r + n, std::memory_order_release);
    return n;
}

template <typename Sample>
void CSampleRingOf<Sample>::Clear() {
    m_read.store(m_write.load(std::memory_order_acquire), std::memory_order_release);
}

template class CSampleRingOf<int16_t>;
template class CSampleRingOf<std::complex<float>>;

}  // namespace wavelore
