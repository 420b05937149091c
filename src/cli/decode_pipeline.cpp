#include "cli/decode_pipeline.h"

#include <algorithm>
#include <new>

#include "common/sample_block.h"
#include "signal/amtor_decoder.h"
#include "signal/navtex_j_decoder.h"
#include "signal/sitor_b_decoder.h"
#include "signal/start_stop_decoder.h"

namespace wavelore::cli {

namespace {

std::unique_ptr<CCharacterDecoder> MakeDecoder(DecoderType type, uint32_t baud) {
    switch (type) {
        case DecoderType::SitorB:
            return std::unique_ptr<CCharacterDecoder>(new (std::nothrow)
                                                          CSitorBDecoder(kSampleRate, baud));
        case DecoderType::StartStop:
            return std::unique_ptr<CCharacterDecoder>(new (std::nothrow)
                                                          CStartStopDecoder(kSampleRate, baud));
        case DecoderType::Amtor:
            return std::unique_ptr<CCharacterDecoder>(new (std::nothrow)
                                                          CAmtorDecoder(kSampleRate, baud));
        case DecoderType::NavtexJ:
            return std::unique_ptr<CCharacterDecoder>(new (std::nothrow)
                                                          CNavtexJDecoder(kSampleRate, baud));
        default:
            return nullptr;
    }
}

}  // namespace

CDecodePipeline::CDecodePipeline(const PipelineSettings& settings) {
    m_demodulator.reset(new (std::nothrow) CFskDemodulator(
        kSampleRate, settings.centreFrequency + settings.halfShift,
        settings.centreFrequency - settings.halfShift, settings.baud));
    m_decoder = MakeDecoder(settings.decoderType, static_cast<uint32_t>(settings.baud));
    if (m_demodulator) {
        m_demodulator->SetInvert(settings.invert);
    }
    if (m_decoder) {
        m_decoder->SetStrictFec(settings.strictFec);
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
    if (m_fill == 0) {
        return true;
    }
    std::fill(m_block.begin() + static_cast<std::ptrdiff_t>(m_fill), m_block.end(), 0);
    m_fill = m_block.size();
    return ProcessBlock(onText);
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
    const SampleBlock signal = m_demodulator->Process(block);
    if (signal.Empty()) {
        return true;
    }
    DecoderText chunk;
    chunk.text = m_decoder->Decode(signal);
    if (chunk.text.empty()) {
        // The counts carry over to the next block that has text.
        return true;
    }
    chunk.good = m_decoder->GoodCount();
    chunk.errors = m_decoder->ErrorCount();
    m_decoder->ResetCounts();
    return onText(chunk);
}

}  // namespace wavelore::cli
