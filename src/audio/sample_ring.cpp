#include "audio/sample_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace wavelore {

bool CSampleRing::Allocate(size_t capacity) {
    if (capacity == 0 || (capacity & (capacity - 1)) != 0) {
        return false;
    }
    m_data.reset(new (std::nothrow) int16_t[capacity]);
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

size_t CSampleRing::Write(const int16_t* samples, size_t count) {
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
    std::memcpy(m_data.get() + at, samples, first * sizeof(int16_t));
    std::memcpy(m_data.get(), samples + first, (n - first) * sizeof(int16_t));
    m_write.store(w + n, std::memory_order_release);
    return n;
}

size_t CSampleRing::Read(int16_t* out, size_t count) {
    const size_t r = m_read.load(std::memory_order_relaxed);
    const size_t w = m_write.load(std::memory_order_acquire);
    const size_t n = std::min(count, w - r);
    if (n == 0) {
        return 0;
    }
    const size_t at = r & m_mask;
    const size_t first = std::min(n, Capacity() - at);
    std::memcpy(out, m_data.get() + at, first * sizeof(int16_t));
    std::memcpy(out + first, m_data.get(), (n - first) * sizeof(int16_t));
    m_read.store(r + n, std::memory_order_release);
    return n;
}

void CSampleRing::Clear() {
    m_read.store(m_write.load(std::memory_order_acquire), std::memory_order_release);
}

}  // namespace wavelore
