#include "receiver/receive_chain.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "dsp/amtor_decoder.h"
#include "dsp/dpsk_demodulator.h"
#include "dsp/enhanced_sitor_b_chain.h"
#include "dsp/fsk_demodulator.h"
#include "dsp/navtex_j_decoder.h"
#include "dsp/sitor_b_decoder.h"
#include "dsp/start_stop_decoder.h"

namespace wavelore {

namespace {

template <typename T, typename... Args>
std::unique_ptr<T> MakeOrNull(Args&&... args) {
    return std::unique_ptr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}

bool IsKnown(DecoderType type) {
    const auto value = static_cast<int32_t>(type);
    return value >= static_cast<int32_t>(DecoderType::SitorB) &&
           value <= static_cast<int32_t>(DecoderType::NavtexJ);
}

}  // namespace

int32_t ChainBaud(DecoderType type, int32_t baud) {
    return type == DecoderType::StartStop ? 2 * baud : baud;
}

CReceiveChain::CReceiveChain(const ChainSettings& settings) : m_settings(settings) {}

CReceiveChain::~CReceiveChain() = default;

std::unique_ptr<CReceiveChain> CReceiveChain::Create(const ChainSettings& settings) {
    // The bit clock divides the rate by the baud, so it takes one sample per
    // bit at most. Stored settings can hold any number: doubling RTTY's must
    // not overflow.
    const int64_t chainBaud =
        settings.type == DecoderType::StartStop ? 2 * int64_t{settings.baud} : settings.baud;
    if (!IsKnown(settings.type) || settings.sampleRate <= 0 ||
        (settings.type != DecoderType::Fax &&
         (settings.baud <= 0 || chainBaud > settings.sampleRate))) {
        return nullptr;
    }
    auto chain = std::unique_ptr<CReceiveChain>(new (std::nothrow) CReceiveChain(settings));
    if (!chain) {
        return nullptr;
    }
    const int32_t baud = ChainBaud(settings.type, settings.baud);
    const double upper = double(settings.centre) + settings.halfShift;
    const double lower = double(settings.centre) - settings.halfShift;
    const auto rate = static_cast<uint32_t>(settings.sampleRate);
    const auto bps = static_cast<uint32_t>(baud);
    switch (settings.type) {
        case DecoderType::SitorB:
            if (settings.enhanced) {
                chain->m_enhanced = MakeOrNull<CEnhancedSitorBChain>(
                    settings.sampleRate, settings.centre, settings.halfShift, baud);
                // Without memory for the replay the chain still decodes; it
                // only cannot decode again after a retune. Rates far above
                // a sound card's keep fewer seconds.
                chain->m_ringSize = int64_t{kReplaySeconds} * std::min(settings.sampleRate, 48000);
                chain->m_ring.reset(
                    new (std::nothrow) float[static_cast<size_t>(chain->m_ringSize)]);
                if (!chain->m_ring) {
                    chain->m_ringSize = 0;
                }
                return chain->m_enhanced && chain->m_enhanced->Ready() ? std::move(chain) : nullptr;
            }
            chain->m_decoder = MakeOrNull<CSitorBDecoder>(rate, bps);
            break;
        case DecoderType::StartStop:
            chain->m_decoder = MakeOrNull<CStartStopDecoder>(rate, bps);
            break;
        case DecoderType::Amtor:
            chain->m_decoder = MakeOrNull<CAmtorDecoder>(rate, bps);
            break;
        case DecoderType::NavtexJ:
            chain->m_decoder = MakeOrNull<CNavtexJDecoder>(rate, bps);
            break;
        case DecoderType::Dpsk:
            chain->m_dpsk =
                MakeOrNull<CDpskDemodulator>(settings.sampleRate, settings.centre, baud);
            return chain->m_dpsk ? std::move(chain) : nullptr;
        case DecoderType::Fax:
            return chain;
    }
    chain->m_fsk = MakeOrNull<CFskDemodulator>(settings.sampleRate, upper, lower, baud);
    if (!chain->m_fsk || !chain->m_decoder) {
        return nullptr;
    }
    return chain;
}

ChainOutput CReceiveChain::TakeCounts(ChainOutput out) {
    if (!out.text.empty()) {
        out.good = m_enhanced->GoodCount();
        out.errors = m_enhanced->ErrorCount();
        m_enhanced->ResetCounts();
    }
    return out;
}

void CReceiveChain::Remember(const SampleBlock& samples) {
    if (!m_ring) {
        return;
    }
    for (int32_t i = 0; i < samples.Count(); ++i) {
        m_ring[static_cast<size_t>(m_written++ % m_ringSize)] = static_cast<float>(samples[i]);
    }
}

ChainOutput CReceiveChain::Process(const SampleBlock& samples) {
    ChainOutput out;
    if (m_enhanced) {
        Remember(samples);
        out.signal = m_enhanced->Process(samples, out.text);
        m_quiet = out.text.empty() ? m_quiet + samples.Count() : 0;
        return TakeCounts(std::move(out));
    }
    if (!ProducesText()) {
        return out;
    }
    out.signal = m_fsk->Process(samples);
    if (out.signal.Empty()) {
        return out;
    }
    out.text = m_decoder->Decode(out.signal);
    if (!out.text.empty()) {
        out.good = m_decoder->GoodCount();
        out.errors = m_decoder->ErrorCount();
        m_decoder->ResetCounts();
    }
    return out;
}

ChainOutput CReceiveChain::Finish() {
    ChainOutput out;
    if (m_enhanced) {
        m_enhanced->Flush(out.text);
        out = TakeCounts(std::move(out));
    }
    return out;
}

bool CReceiveChain::Replay(int64_t count, ChainOutput& out) {
    auto fresh = MakeOrNull<CEnhancedSitorBChain>(m_settings.sampleRate, m_settings.centre,
                                                  m_settings.halfShift, m_settings.baud);
    if (!fresh || !fresh->Ready()) {
        return false;
    }
    fresh->SetInvert(m_invert);
    fresh->SetStrictFec(m_strict);
    m_enhanced = std::move(fresh);
    // In buffers as they came, so the text is what a chain on these tones
    // would have given live.
    m_quiet = 0;
    for (int64_t start = m_written - count; start < m_written; start += kSamplesPerBuffer) {
        const auto n =
            static_cast<int32_t>(std::min<int64_t>(kSamplesPerBuffer, m_written - start));
        SampleBlock piece(nullptr, n);
        if (piece.Empty()) {
            break;
        }
        for (int32_t i = 0; i < n; ++i) {
            piece[i] = m_ring[static_cast<size_t>((start + i) % m_ringSize)];
        }
        const size_t before = out.text.size();
        m_enhanced->Process(piece, out.text);
        m_quiet = out.text.size() == before ? m_quiet + n : 0;
    }
    return true;
}

ChainOutput CReceiveChain::Retune(int32_t centre, int32_t halfShift) {
    const int32_t previousHalfShift = m_settings.halfShift;
    m_settings.centre = centre;
    m_settings.halfShift = halfShift;
    ChainOutput out;
    if (m_enhanced) {
        // Within the AFC's reach the chain goes on as it was.
        if (halfShift == previousHalfShift &&
            std::abs(m_enhanced->TrackedCentre() - centre) <= CEnhancedSitorBChain::kAfcRangeHz) {
            m_enhanced->SetTones(centre, halfShift);
            return out;
        }
        m_enhanced->Flush(out.text);
        out = TakeCounts(std::move(out));
        const int32_t good = out.good;
        const int32_t errors = out.errors;
        if (!m_ring || !Replay(std::min(m_quiet, std::min(m_written, m_ringSize)), out)) {
            m_enhanced->SetTones(centre, halfShift);
            return out;
        }
        out = TakeCounts(std::move(out));
        out.good += good;
        out.errors += errors;
    } else if (m_dpsk) {
        m_dpsk->SetFrequency(centre);
    } else if (m_fsk) {
        m_fsk->SetTones(m_settings.sampleRate, double(centre) + halfShift,
                        double(centre) - halfShift);
    }
    return out;
}

void CReceiveChain::SetStrictFec(bool strict) {
    m_strict = strict;
    if (m_enhanced) {
        m_enhanced->SetStrictFec(strict);
    } else if (m_decoder) {
        m_decoder->SetStrictFec(strict);
    }
}

bool CReceiveChain::SetInvert(bool invert) {
    m_invert = invert;
    if (m_enhanced) {
        return m_enhanced->SetInvert(invert);
    }
    return m_fsk ? m_fsk->SetInvert(invert) : false;
}

}  // namespace wavelore
