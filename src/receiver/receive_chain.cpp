#include "receiver/receive_chain.h"

#include "common/nothrow.h"
#include "dsp/amtor_decoder.h"
#include "dsp/navtex_j_decoder.h"
#include "dsp/sitor_b_decoder.h"
#include "dsp/start_stop_decoder.h"
#include "receiver/fsk_chain.h"
#include "receiver/weak_signal_chain.h"

namespace wavelore {

namespace {

// Room for the text of one buffer, a flush or a replay of the weak-signal
// chain's kReplaySeconds, many times over: appending never allocates.
constexpr size_t kTextRoom = 4096;

// FAX and DPSK: the spectrum runs in the caller, nothing here.
class CSilentChain final : public IDecoderChain {
  public:
    bool Process(const double*, size_t, double*, std::u16string&) override { return false; }
    void Retune(int32_t, int32_t, std::u16string&) override {}
};

bool IsKnown(DecoderType type) {
    const auto value = static_cast<int32_t>(type);
    return value >= static_cast<int32_t>(DecoderType::SitorB) &&
           value <= static_cast<int32_t>(DecoderType::NavtexJ);
}

std::unique_ptr<CCharacterDecoder> MakeDecoder(DecoderType type, uint32_t baud) {
    const auto rate = static_cast<uint32_t>(kSampleRate);
    switch (type) {
        case DecoderType::SitorB:
            return MakeOrNull<CSitorBDecoder>(rate, baud);
        case DecoderType::StartStop:
            return MakeOrNull<CStartStopDecoder>(rate, baud);
        case DecoderType::Amtor:
            return MakeOrNull<CAmtorDecoder>(rate, baud);
        case DecoderType::NavtexJ:
            return MakeOrNull<CNavtexJDecoder>(rate, baud);
        case DecoderType::Fax:
        case DecoderType::Dpsk:
            break;
    }
    return nullptr;
}

std::unique_ptr<IDecoderChain> MakeChain(const ChainSettings& settings) {
    const int32_t baud = ChainBaud(settings.type, settings.baud);
    if (settings.type == DecoderType::Fax || settings.type == DecoderType::Dpsk) {
        return MakeOrNull<CSilentChain>();
    }
    if (UsesWeakSignalChain(settings.type, settings.enhanced)) {
        return CWeakSignalChain::Create(settings.centre, settings.halfShift, baud);
    }
    auto decoder = MakeDecoder(settings.type, static_cast<uint32_t>(baud));
    if (!decoder) {
        return nullptr;
    }
    return MakeOrNull<CFskChain>(settings.centre, settings.halfShift, baud, std::move(decoder));
}

}  // namespace

int32_t ChainBaud(DecoderType type, int32_t baud) {
    return type == DecoderType::StartStop ? 2 * baud : baud;
}

CReceiveChain::CReceiveChain(const ChainSettings& settings, std::unique_ptr<IDecoderChain> chain)
    : m_settings(settings), m_chain(std::move(chain)) {}

std::unique_ptr<CReceiveChain> CReceiveChain::Create(const ChainSettings& settings) {
    // The bit clock divides the rate by the baud, so it takes one sample per
    // bit at most. Stored settings can hold any number: doubling RTTY's must
    // not overflow.
    const int64_t chainBaud =
        settings.type == DecoderType::StartStop ? 2 * int64_t{settings.baud} : settings.baud;
    if (!IsKnown(settings.type) ||
        (settings.type != DecoderType::Fax && (settings.baud <= 0 || chainBaud > kSampleRate))) {
        return nullptr;
    }
    auto parts = MakeChain(settings);
    if (!parts) {
        return nullptr;
    }
    auto chain = std::unique_ptr<CReceiveChain>(new (std::nothrow)
                                                    CReceiveChain(settings, std::move(parts)));
    if (!chain || !WithoutThrowing([&] { chain->m_text.reserve(kTextRoom); })) {
        return nullptr;
    }
    chain->m_chain->SetStrictFec(settings.strictFec);
    chain->m_chain->SetInvert(settings.invert);
    return chain;
}

bool CReceiveChain::ProducesText() const {
    return m_settings.type != DecoderType::Fax && m_settings.type != DecoderType::Dpsk;
}

ChainOutput CReceiveChain::Output(bool demodulated) {
    ChainOutput out;
    out.demodulated = demodulated;
    out.text = m_text;
    if (!m_text.empty()) {
        const DecoderCounts counts = m_chain->TakeCounts();
        out.good = counts.good;
        out.errors = counts.errors;
    }
    return out;
}

ChainOutput CReceiveChain::Process(const double* in, size_t n, double* signal) {
    m_text.clear();
    return Output(m_chain->Process(in, n, signal, m_text));
}

ChainOutput CReceiveChain::Finish() {
    m_text.clear();
    m_chain->Finish(m_text);
    return Output(false);
}

ChainOutput CReceiveChain::Retune(int32_t centre, int32_t halfShift) {
    m_settings.centre = centre;
    m_settings.halfShift = halfShift;
    m_text.clear();
    m_chain->Retune(centre, halfShift, m_text);
    return Output(false);
}

void CReceiveChain::SetStrictFec(bool strict) {
    m_settings.strictFec = strict;
    m_chain->SetStrictFec(strict);
}

bool CReceiveChain::SetInvert(bool invert) {
    m_settings.invert = invert;
    return m_chain->SetInvert(invert);
}

}  // namespace wavelore
