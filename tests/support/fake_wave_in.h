#pragma once

// A wave-input driver the test drives by hand: it fills a queued buffer
// only when told to, and each of its calls can be made to fail.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "audio/recording_wave_in.h"
#include "audio/wave_in.h"
#include "audio/wave_in_queue.h"
#include "common/user_notifier.h"
#include "common/utf.h"

namespace wavelore::test {

class CFakeWaveIn final : public IWaveInDriver {
  public:
    // Configuration; set before the device is opened.
    uint32_t numDevs = 1;
    MmResult capsResult = MMSYSERR_NOERROR;
    MmResult openResult = MMSYSERR_NOERROR;
    MmResult prepareResult = MMSYSERR_NOERROR;
    uint32_t extraPreparedFlags = 0;  // set beside WHDR_PREPARED
    int failPrepareNumber = 0;        // 1 or 2: which PrepareHeader fails
    int failAddNumber = 0;            // the n-th AddBuffer (1-based) fails
    MmResult startResult = MMSYSERR_NOERROR;
    MmResult resetResult = MMSYSERR_NOERROR;

    // What SamplesLost reports; may change while a device runs.
    std::atomic<uint64_t> samplesLost{0};

    uint32_t GetNumDevs() override { return numDevs; }
    uint64_t SamplesLost() const override { return samplesLost.load(); }

    MmResult GetDevCaps(uint32_t id, WaveInCaps& caps) override {
        if (id >= numDevs) {
            return MMSYSERR_BADDEVICEID;
        }
        if (capsResult == MMSYSERR_NOERROR) {
            caps.productName = u"Fake " + FromUtf8(std::to_string(id));
        }
        return capsResult;
    }

    MmResult Open(uint32_t id, const WaveFormat& format, CThreadMessageQueue* notify,
                  std::unique_ptr<IWaveInDevice>& device) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++opens;
        lastFormat = format;
        if (id >= numDevs) {
            return MMSYSERR_BADDEVICEID;
        }
        if (openResult != MMSYSERR_NOERROR) {
            return openResult;
        }
        m_queue.emplace(notify);
        device = std::make_unique<Device>(*this);
        return MMSYSERR_NOERROR;
    }

    // Fills the oldest queued buffer with samples (repeated or cut to its
    // length) and announces it; false when nothing is queued.
    bool Deliver(const std::vector<int16_t>& samples) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_queue || !m_started) {
            return false;
        }
        size_t room = 0;
        int16_t* at = m_queue->Space(room);
        if (at == nullptr) {
            return false;
        }
        for (size_t i = 0; i < room; ++i) {
            at[i] = samples.empty() ? 0 : samples[i % samples.size()];
        }
        m_queue->Commit(room);
        return true;
    }

    size_t Queued() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_queue ? m_queue->Queued() : 0;
    }

    int opens = 0;
    int adds = 0;
    int starts = 0;
    int resets = 0;
    int closes = 0;
    std::optional<WaveFormat> lastFormat;

  private:
    class Device final : public IWaveInDevice {
      public:
        explicit Device(CFakeWaveIn& owner) : m_owner(owner) {}
        MmResult PrepareHeader(WaveHeader& h) override {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            ++m_prepares;
            if (m_owner.failPrepareNumber == m_prepares) {
                return m_owner.prepareResult;
            }
            MmResult r = m_owner.m_queue->Prepare(h);
            h.flags |= m_owner.extraPreparedFlags;
            return r;
        }
        MmResult UnprepareHeader(WaveHeader& h) override {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            return m_owner.m_queue->Unprepare(h);
        }
        MmResult AddBuffer(WaveHeader& h) override {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            if (++m_owner.adds == m_owner.failAddNumber) {
                return MMSYSERR_NOMEM;
            }
            return m_owner.m_queue->Add(h);
        }
        MmResult Start() override {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            ++m_owner.starts;
            if (m_owner.startResult == MMSYSERR_NOERROR) {
                m_owner.m_started = true;
            }
            return m_owner.startResult;
        }
        MmResult Reset() override {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            ++m_owner.resets;
            if (m_owner.resetResult != MMSYSERR_NOERROR) {
                return m_owner.resetResult;
            }
            m_owner.m_started = false;
            m_owner.m_queue->ReturnAll();
            return MMSYSERR_NOERROR;
        }
        MmResult Close() override {
            std::lock_guard<std::mutex> lock(m_owner.m_mutex);
            ++m_owner.closes;
            m_owner.m_started = false;
            m_owner.m_queue->ReturnAll();
            m_owner.m_queue.reset();
            return MMSYSERR_NOERROR;
        }

      private:
        CFakeWaveIn& m_owner;
        int m_prepares = 0;
    };

    std::mutex m_mutex;
    std::optional<CWaveInQueue> m_queue;
    bool m_started = false;
};

// Serves a vector, at most `piece` samples per Read.
class CVectorSampleSource final : public ISampleSource {
  public:
    CVectorSampleSource(std::vector<int16_t> samples, size_t piece)
        : m_samples(std::move(samples)), m_piece(piece) {}
    size_t Read(int16_t* out, size_t max) override {
        size_t n = std::min({max, m_piece, m_samples.size() - m_pos});
        std::copy_n(m_samples.begin() + m_pos, n, out);
        m_pos += n;
        return n;
    }

  private:
    std::vector<int16_t> m_samples;
    size_t m_piece;
    size_t m_pos = 0;
};

// Collects what would have been shown in message boxes.
class CRecordingNotifier final : public IUserNotifier {
  public:
    void ShowMessage(const std::u16string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back(ToUtf8(text));
    }
    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }

  private:
    std::mutex m_mutex;
    std::vector<std::string> m_messages;
};

}  // namespace wavelore::test
