#include "cli/decode_pipeline.h"

#include <algorithm>
#include <new>

#include "common/sample_block.h"

namespace wavelore::cli {

CDecodePipeline::CDecodePipeline(const PipelineSettings& settings)
    : m_chain(CReceiveChain::Create(settings.chain)) {
    if (m_chain) {
        m_chain->SetInvert(settings.invert);
        m_chain->SetStrictFec(settings.strictFec);
    }
}

bool CDecodePipeline::Feed(const int16_t* samples, size_t count, const TextHandler& onText) {
    while (count > 0) {
        const size_t n = std::min(count, m_block.size() - m_fill);
        std::copy(samples, samples + n, m_block.begin() + static_cast<std::ptrdiff_t>(m_fill));
        m_fill += n;
        samples += n;
        count -= n;
        if (m_fill == m_block.size() && !ProcessBlock(onText)) {
            return false;
        }
    }
    return true;
}

bool CDecodePipeline::Finish(const TextHandler& onText) {
    if (m_fill > 0) {
        std::fill(m_block.begin() + static_cast<std::ptrdiff_t>(m_fill), m_block.end(), 0);
        m_fill = m_block.size();
        if (!ProcessBlock(onText)) {
            return false;
        }
    }
    if (!Ready()) {
        return true;
    }
    ChainOutput output = m_chain->Finish();
    return output.text.empty() ||
           onText(DecoderText{std::move(output.text), output.good, output.errors});
}

bool CDecodePipeline::ProcessBlock(const TextHandler& onText) {
    m_fill = 0;
    ++m_blocks;
    if (!Ready()) {
        return true;
    }
    SampleBlock block(nullptr, kSamplesPerBuffer);
    if (block.Empty()) {
        return true;  // no memory for this buffer: it is skipped, as the receiver does
    }
    for (int32_t i = 0; i < kSamplesPerBuffer; ++i) {
        block[i] = m_block[static_cast<size_t>(i)] * kSampleScale;
    }
    ChainOutput output = m_chain->Process(block);
    if (output.text.empty()) {
        // The counts carry over to the next block that has text.
        return true;
    }
    return onText(DecoderText{std::move(output.text), output.good, output.errors});
}

}  // namespace wavelore::cli
