#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/decoder_text.h"
#include "common/sample_block.h"
#include "receiver/receive_chain.h"
#include "receiver/tuning_policy.h"

namespace wavelore {

// One channel of a radio decoded on a thread of its own: the channelizer's
// audio blocks go in on one thread, the chain's text comes out in order on
// any. A producer far ahead (a recording read as fast as it goes) waits in
// Push, so memory stays bounded and nothing is dropped. With the automatic
// tuning on, the thread also searches each block's spectrum for the tones
// and retunes the chain, as the live receiver's SmartTune does: a radio's
// crystal and the station put them tens of Hz away from where the channel
// was tuned.
class CChannelDecoder {
  public:
    // Blocks Push lets the decoder lag behind (about 12 s of audio).
    static constexpr size_t kMostQueued = 64;

    explicit CChannelDecoder(const ChainSettings& settings);
    // Close.
    ~CChannelDecoder();
    CChannelDecoder(const CChannelDecoder&) = delete;
    CChannelDecoder& operator=(const CChannelDecoder&) = delete;

    // Before Start: the tuning search to run on every block. False when
    // there is no memory for it.
    bool SetAutoTune(CTuningPolicy::Search search);
    // False when the chain could not be made or gives no text, or no
    // thread can be had.
    bool Start();
    // A copy of block for the chain; false when it cannot be copied (no
    // memory).
    bool Push(const SampleBlock& block);
    // No more blocks: the thread decodes what it holds, the chain gives up
    // what it held back, and the thread ends. Idempotent.
    void Close();
    // The text decoded since the last call, each with the counts since the
    // text before.
    std::vector<DecoderText> TakeText();
    // Blocks decoded so far.
    int64_t Blocks() const { return m_processed.load(); }
    // The centre (Hz) the chain is tuned to now, on any thread.
    int32_t Centre() const { return m_centre.load(); }

  private:
    void Run();
    void Keep(const ChainOutput& output);
    void Tune(const SampleBlock& block);

    std::unique_ptr<CReceiveChain> m_chain;
    // Only the thread uses it once started.
    std::unique_ptr<CTuningPolicy> m_tuning;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_work;
    std::condition_variable m_room;
    std::deque<SampleBlock> m_blocks;
    std::vector<DecoderText> m_text;
    std::atomic<int64_t> m_processed{0};
    std::atomic<int32_t> m_centre{0};
    bool m_closed = false;
};

}  // namespace wavelore
