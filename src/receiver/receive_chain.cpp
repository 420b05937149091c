#include "receiver/receive_chain.h"

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

ChainOutput CReceiveChain::Process(const SampleBlock& samples) {
    ChainOutput out;
    if (m_enhanced) {
        out.signal = m_enhanced->Process(samples, out.text);
        if (!out.text.empty()) {
            out.good = m_enhanced->GoodCount();
            out.errors = m_enhanced->ErrorCount();
            m_enhanced->ResetCounts();
        }
        return out;
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
        if (!out.text.empty()) {
            out.good = m_enhanced->GoodCount();
            out.errors = m_enhanced->ErrorCount();
            m_enhanced->ResetCounts();
        }
    }
    return out;
}

void CReceiveChain::Retune(int32_t centre, int32_t halfShift) {
    m_settings.centre = centre;
    m_settings.halfShift = halfShift;
    if (m_enhanced) {
        m_enhanced->SetTones(centre, halfShift);
    } else if (m_dpsk) {
        m_dpsk->SetFrequency(centre);
    } else if (m_fsk) {
        m_fsk->SetTones(m_settings.sampleRate, double(centre) + halfShift,
                        double(centre) - halfShift);
    }
}

void CReceiveChain::SetStrictFec(bool strict) {
    if (m_enhanced) {
        m_enhanced->SetStrictFec(strict);
    } else if (m_decoder) {
        m_decoder->SetStrictFec(strict);
    }
}

bool CReceiveChain::SetInvert(bool invert) {
    if (m_enhanced) {
        return m_enhanced->SetInvert(invert);
    }
    return m_fsk ? m_fsk->SetInvert(invert) : false;
}

}  // namespace wavelore
