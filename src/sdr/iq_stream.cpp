#include "sdr/iq_stream.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <system_error>

namespace wavelore {

CIqStream::~CIqStream() {
    Stop();
}

bool CIqStream::Start(double rate, double seconds, size_t block, Producer producer,
                      std::string& error) {
    size_t capacity = size_t{1} << 14;
    const double wanted = std::max(rate * seconds, 4.0 * static_cast<double>(block));
    while (static_cast<double>(capacity) < wanted && capacity < (size_t{1} << 26)) {
        capacity <<= 1;
    }
    if (!m_ring.Allocate(capacity)) {
        error = "out of memory for the IQ buffer";
        return false;
    }
    m_producer = std::move(producer);
    m_stopping = false;
    m_done = false;
    m_failed = false;
    try {
        m_thread = std::thread([this, block] { Run(block); });
    } catch (const std::system_error&) {
        error = "cannot start the IQ thread";
        return false;
    }
    return true;
}

void CIqStream::Run(size_t block) {
    std::unique_ptr<std::complex<float>[]> buffer(new (std::nothrow) std::complex<float>[block]);
    Step step = Step::Failed;
    std::string error = "out of memory for the IQ buffer";
    while (buffer && !m_stopping.load()) {
        size_t count = 0;
        uint64_t lost = 0;
        step = m_producer(buffer.get(), block, count, lost, error, m_stopping);
        count = std::min(count, block);
        // The ring counts what it refuses.
        m_ring.Write(buffer.get(), count);
        if (lost > 0) {
            m_lost.fetch_add(lost, std::memory_order_relaxed);
        }
        Wake();
        if (step != Step::More) {
            break;
        }
    }
    if (step == Step::Failed && !m_stopping.load()) {
        {
            std::lock_guard<std::mutex> lock(m_errorLock);
            m_error = error;
        }
        m_failed = true;
    }
    m_done = true;
    Wake();
}

void CIqStream::Wake() {
    m_wake.fetch_add(1, std::memory_order_release);
    m_wake.notify_all();
}

size_t CIqStream::Read(std::complex<float>* out, size_t max) {
    if (max == 0 || m_ring.Capacity() == 0) {
        return 0;
    }
    for (;;) {
        const uint32_t seen = m_wake.load(std::memory_order_acquire);
        if (m_stopping.load()) {
            return 0;
        }
        // Done is read before the ring, so what was written before it is seen.
        const bool done = m_done.load();
        const size_t got = m_ring.Read(out, max);
        if (got > 0 || done) {
            return got;
        }
        m_wake.wait(seen, std::memory_order_acquire);
    }
}

void CIqStream::Stop() {
    m_stopping = true;
    Wake();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}

std::string CIqStream::Error() const {
    std::lock_guard<std::mutex> lock(m_errorLock);
    return m_error;
}

uint64_t CIqStream::SamplesLost() const {
    return m_lost.load(std::memory_order_relaxed) + m_ring.Dropped();
}

}  // namespace wavelore
