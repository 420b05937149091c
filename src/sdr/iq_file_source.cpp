#include "sdr/iq_file_source.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

namespace wavelore {

namespace {

using Clock = std::chrono::steady_clock;

// Samples a real-time recording delivers at a time: about 10 ms at 2 MHz.
constexpr size_t kPlayBlock = 16384;
// How long the ring holds, seconds.
constexpr double kRingSeconds = 0.5;
// The longest a paced wait sleeps before it looks for a stop.
constexpr auto kStopCheck = std::chrono::milliseconds(50);

}  // namespace

std::unique_ptr<CIqFileSource> CIqFileSource::Open(const IqFileSettings& settings, Pace pace,
                                                   std::string& error) {
    std::unique_ptr<CIqFileSource> source(new (std::nothrow) CIqFileSource(pace));
    if (!source) {
        error = settings.path + ": out of memory";
        return nullptr;
    }
    if (!source->m_reader.Open(settings, error)) {
        return nullptr;
    }
    source->m_format = source->m_reader.Format();
    source->m_description = settings.path + " (" + source->m_reader.Description() + ")";
    return source;
}

CIqFileSource::~CIqFileSource() {
    Stop();
}

bool CIqFileSource::Start(std::string& error) {
    if (m_started) {
        return true;
    }
    m_started = true;
    if (m_pace == Pace::AsTaken) {
        return true;
    }
    const double rate = m_format.sampleRate;
    auto t0 = Clock::now();
    uint64_t delivered = 0;
    auto produce = [this, rate, t0, delivered](std::complex<float>* out, size_t max, size_t& count,
                                               uint64_t&, std::string& why,
                                               const std::atomic<bool>& stopping) mutable {
        count = m_reader.Read(out, max);
        if (count == 0) {
            why = m_reader.Error();
            return m_reader.Failed() ? CIqStream::Step::Failed : CIqStream::Step::End;
        }
        // These samples are due once the radio would have sampled them.
        delivered += count;
        const auto due = t0 + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(delivered / rate));
        while (!stopping.load() && Clock::now() < due) {
            std::this_thread::sleep_until(std::min(due, Clock::now() + kStopCheck));
        }
        return CIqStream::Step::More;
    };
    return m_stream.Start(rate, kRingSeconds, kPlayBlock, std::move(produce), error);
}

size_t CIqFileSource::Read(std::complex<float>* out, size_t max) {
    if (m_stopped.load() || !m_started) {
        return 0;
    }
    return m_pace == Pace::AsTaken ? m_reader.Read(out, max) : m_stream.Read(out, max);
}

void CIqFileSource::Stop() {
    m_stopped = true;
    m_stream.Stop();
}

bool CIqFileSource::Failed() const {
    return m_pace == Pace::AsTaken ? m_reader.Failed() : m_stream.Failed();
}

std::string CIqFileSource::Error() const {
    return m_pace == Pace::AsTaken ? m_reader.Error() : m_stream.Error();
}

uint64_t CIqFileSource::SamplesLost() const {
    return m_stream.SamplesLost();
}

}  // namespace wavelore
