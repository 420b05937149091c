#include "cli/decode_pipeline.h"

#include <algorithm>

#include "common/sample_block.h"

namespace wavelore::cli {

CDecodePipeline::CDecodePipeline(const ChainSettings& settings)
    : m_chain(CReceiveChain::Create(settings)) {}

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
    const ChainOutput output = m_chain->Finish();
    return output.text.empty() ||
           onText(DecoderText{std::u16string(output.text), output.good, output.errors});
}

bool CDecodePipeline::ProcessBlock(const TextHandler& onText) {
    m_fill = 0;
    ++m_blocks;
    if (!Ready()) {
        return true;
    }
    for (size_t i = 0; i < m_block.size(); ++i) {
        m_samples[i] = m_block[i] * kSampleScale;
    }
    const ChainOutput output =
        m_chain->Process(m_samples.data(), m_samples.size(), m_samples.data());
    if (output.text.empty()) {
        // The counts carry over to the next block that has text.
        return true;
    }
    return onText(DecoderText{std::u16string(output.text), output.good, output.errors});
}

}  // namespace wavelore::cli
