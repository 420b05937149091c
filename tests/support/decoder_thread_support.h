#pragma once

// What the decoder-thread tests share: a notify target that records every
// message on the sender's thread, and synthesized NAVTEX audio.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "common/decoder_text.h"
#include "common/message_ids.h"
#include "common/sample_block.h"
#include "common/window_target.h"
#include "synth/synthesizer.h"

namespace wavelore::test {

struct SeenMessage {
    uint32_t id = 0;
    bool sent = false;  // Send rather than Post
    int64_t wParam = 0;
    std::vector<double> block;
    DecoderText text;
};

class CCollectingTarget final : public WindowTarget {
  public:
    // Runs inside Send, on the decoder thread, before the message is kept.
    std::function<void(Message&)> onSend;

    bool Post(Message message) override {
        Record(message, false);
        return true;
    }
    bool Send(Message& message) override {
        if (onSend) {
            onSend(message);
        }
        Record(message, true);
        return true;
    }

    // Waits until `loads` WM_DECODER_CPULOAD messages have come in all.
    bool WaitForLoads(size_t loads, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] { return m_loads >= loads; });
    }

    std::vector<SeenMessage> Seen() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }

    std::vector<DecoderText> Texts() {
        std::vector<DecoderText> out;
        for (const SeenMessage& m : Seen()) {
            if (m.id == WM_DECODER_TEXT) {
                out.push_back(m.text);
            }
        }
        return out;
    }

    std::u16string AllText() {
        std::u16string all;
        for (const DecoderText& t : Texts()) {
            all += t.text;
        }
        return all;
    }

  private:
    void Record(Message& message, bool sent) {
        SeenMessage seen{message.id, sent, message.wParam, {}, {}};
        if (auto* block = message.Get<SampleBlock>()) {
            seen.block.assign(block->Data(), block->Data() + block->Count());
        }
        if (auto* text = message.Get<DecoderText>()) {
            seen.text = *text;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.push_back(std::move(seen));
        if (message.id == WM_DECODER_CPULOAD) {
            ++m_loads;
        }
        m_arrived.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<SeenMessage> m_seen;
    size_t m_loads = 0;
};

// A NAVTEX broadcast at the given centre, padded with silence to whole
// 2048-sample buffers plus two more, so its last characters come out.
inline synth::Recording NavtexAudio(double centreHz, std::optional<double> snrDb,
                                    bool invert = false, uint32_t seed = 7) {
    synth::SynthOptions options;
    options.centreHz = centreHz;
    options.snrDb = snrDb;
    options.invert = invert;
    options.seed = seed;
    auto recording = synth::SynthesizeBroadcast(
        synth::SynthMode::SitorB, {{u"EA12", u"WAVELORE LIVE TEST 1234\nSECOND LINE"}}, options,
        2.0, 1.0);
    synth::Recording r = recording.value_or(synth::Recording{});
    const size_t blocks = (r.samples.size() + 2047) / 2048 + 2;
    r.samples.resize(blocks * 2048, 0);
    return r;
}

}  // namespace wavelore::test
