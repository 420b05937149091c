#pragma once

#include <atomic>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audio/sample_ring.h"

namespace wavelore {

// The hand-over from a thread that produces IQ samples at the radio's pace
// (a device's stream, a recording played in real time) to the host's
// receiving thread: the producer writes into a lock-free ring and never
// waits for the reader; what does not fit is lost and counted, as samples
// nobody collects are lost on a radio. The reader waits for samples without
// polling.
class CIqStream {
  public:
    enum class Step { More, End, Failed };
    // Called on the stream thread again and again: puts up to max samples
    // into out and their number in count. lost: samples the producer knows
    // were lost before these (a device's overflow). Returns More to go on,
    // End at the end of the input, Failed with a reason in error. stopping
    // turns true when the stream should end: a producer that waits must
    // look at it at least every tenth of a second.
    using Producer =
        std::function<Step(std::complex<float>* out, size_t max, size_t& count, uint64_t& lost,
                           std::string& error, const std::atomic<bool>& stopping)>;

    CIqStream() = default;
    ~CIqStream();
    CIqStream(const CIqStream&) = delete;
    CIqStream& operator=(const CIqStream&) = delete;

    // Holds about seconds of samples at rate (at least a few blocks);
    // block: the most samples one Produce call gives. False with a reason
    // when memory or a thread cannot be had.
    bool Start(double rate, double seconds, size_t block, Producer producer, std::string& error);

    // Reader side: waits until samples, the end or a failure; copies up to
    // max. 0 once the producer has ended (and all it gave has been read),
    // failed, or Stop was called.
    size_t Read(std::complex<float>* out, size_t max);
    // Any thread: ends the producer and releases Read. Joins the thread
    // unless called on it. Idempotent.
    void Stop();

    bool Failed() const { return m_failed.load(); }
    std::string Error() const;
    uint64_t SamplesLost() const;

  private:
    void Run(size_t block);
    void Wake();

    CIqRing m_ring;
    Producer m_producer;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_done{false};  // the producer will write no more
    std::atomic<bool> m_failed{false};
    std::atomic<uint64_t> m_lost{0};
    std::atomic<uint32_t> m_wake{0};
    mutable std::mutex m_errorLock;
    std::string m_error;
};

}  // namespace wavelore
