#include "receiver/channel_decoder.h"

#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "common/nothrow.h"

namespace wavelore {

CChannelDecoder::CChannelDecoder(const ChainSettings& settings)
    : m_chain(CReceiveChain::Create(settings)), m_centre(settings.centre) {}

CChannelDecoder::~CChannelDecoder() {
    Close();
}

bool CChannelDecoder::SetAutoTune(CTuningPolicy::Search search) {
    m_tuning = MakeOrNull<CTuningPolicy>();
    if (!m_tuning) {
        return false;
    }
    m_tuning->SetSearch(search);
    return true;
}

bool CChannelDecoder::Start() {
    if (!m_chain || !m_chain->ProducesText() || m_thread.joinable()) {
        return false;
    }
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool CChannelDecoder::Push(const SampleBlock& block) {
    SampleBlock copy = block.Copy();
    if (copy.Empty()) {
        return false;
    }
    std::unique_lock<std::mutex> lock(m_lock);
    m_room.wait(lock, [this] { return m_closed || m_blocks.size() < kMostQueued; });
    m_blocks.push_back(std::move(copy));
    m_work.notify_one();
    return true;
}

void CChannelDecoder::Close() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_closed = true;
    }
    m_work.notify_one();
    m_room.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::vector<DecoderText> CChannelDecoder::TakeText() {
    std::lock_guard<std::mutex> lock(m_lock);
    return std::exchange(m_text, {});
}

void CChannelDecoder::Run() {
    for (;;) {
        SampleBlock block;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_work.wait(lock, [this] { return m_closed || !m_blocks.empty(); });
            if (m_blocks.empty()) {
                break;
            }
            block = std::move(m_blocks.front());
            m_blocks.pop_front();
        }
        m_room.notify_one();
        Tune(block);
        // The block is the decoder's own copy: demodulated in place.
        Keep(m_chain->Process(block.Data(), static_cast<size_t>(block.Count()), block.Data()));
        ++m_processed;
    }
    Keep(m_chain->Finish());
}

void CChannelDecoder::Tune(const SampleBlock& block) {
    if (!m_tuning) {
        return;
    }
    const ChainSettings& tuned = m_chain->Settings();
    const std::optional<int32_t> request = m_tuning->Process(
        block.Data(), static_cast<size_t>(block.Count()), tuned.centre, tuned.halfShift);
    if (!request) {
        return;
    }
    // The tones move before this block is decoded, as a retune the search
    // asks the live receiver for lands before its next buffer.
    const int32_t centre = CTuningPolicy::Clamp(*request, tuned.halfShift);
    Keep(m_chain->Retune(centre, tuned.halfShift));
    m_centre.store(centre);
}

void CChannelDecoder::Keep(const ChainOutput& output) {
    if (output.text.empty()) {
        // The chain carries the counts over to the next text.
        return;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_text.push_back(DecoderText{std::u16string(output.text), output.good, output.errors});
}

}  // namespace wavelore
