#include "receiver/weak_signal_chain.h"

#include <algorithm>
#include <cmath>

#include "common/nothrow.h"
#include "common/sample_rate.h"

namespace wavelore {

CWeakSignalChain::CWeakSignalChain(int32_t centre, int32_t halfShift, int32_t baud)
    : m_centre(centre),
      m_halfShift(halfShift),
      m_baud(baud),
      m_chain(MakeOrNull<CEnhancedSitorBChain>(kSampleRate, centre, halfShift, baud)) {}

std::unique_ptr<CWeakSignalChain> CWeakSignalChain::Create(int32_t centre, int32_t halfShift,
                                                           int32_t baud) {
    auto chain = std::unique_ptr<CWeakSignalChain>(new (std::nothrow)
                                                       CWeakSignalChain(centre, halfShift, baud));
    if (!chain || !chain->m_chain || !chain->m_chain->Ready()) {
        return nullptr;
    }
    chain->m_ringSize = int64_t{kReplaySeconds} * kSampleRate;
    chain->m_ring = NewArray<float>(static_cast<size_t>(chain->m_ringSize));
    chain->m_piece = NewArray<double>(kSamplesPerBuffer);
    if (!chain->m_ring || !chain->m_piece) {
        chain->m_ring.reset();
        chain->m_ringSize = 0;
    }
    return chain;
}

void CWeakSignalChain::Remember(const double* in, size_t n) {
    if (!m_ring) {
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        m_ring[static_cast<size_t>(m_written++ % m_ringSize)] = static_cast<float>(in[i]);
    }
}

bool CWeakSignalChain::Process(const double* in, size_t n, double* signal, std::u16string& text) {
    Remember(in, n);
    const size_t before = text.size();
    m_chain->Process(in, n, signal, text);
    m_quiet = text.size() == before ? m_quiet + static_cast<int64_t>(n) : 0;
    return true;
}

bool CWeakSignalChain::Replay(int64_t count, std::u16string& text) {
    auto fresh = MakeOrNull<CEnhancedSitorBChain>(kSampleRate, m_centre, m_halfShift, m_baud);
    if (!fresh || !fresh->Ready()) {
        return false;
    }
    fresh->SetInvert(m_invert);
    fresh->SetStrictFec(m_strict);
    m_chain = std::move(fresh);
    // In buffers as they came, so the text is what a chain on these tones
    // would have given live.
    m_quiet = 0;
    for (int64_t start = m_written - count; start < m_written; start += kSamplesPerBuffer) {
        const auto n = static_cast<size_t>(std::min<int64_t>(kSamplesPerBuffer, m_written - start));
        for (size_t i = 0; i < n; ++i) {
            m_piece[i] =
                m_ring[static_cast<size_t>((start + static_cast<int64_t>(i)) % m_ringSize)];
        }
        const size_t before = text.size();
        m_chain->Process(m_piece.get(), n, m_piece.get(), text);
        m_quiet = text.size() == before ? m_quiet + static_cast<int64_t>(n) : 0;
    }
    return true;
}

void CWeakSignalChain::Retune(int32_t centre, int32_t halfShift, std::u16string& text) {
    const int32_t previousHalfShift = m_halfShift;
    m_centre = centre;
    m_halfShift = halfShift;
    // Within the AFC's reach the chain goes on as it was.
    if (halfShift == previousHalfShift &&
        std::abs(m_chain->TrackedCentre() - centre) <= CEnhancedSitorBChain::kAfcRangeHz) {
        m_chain->SetTones(centre, halfShift);
        return;
    }
    const size_t before = text.size();
    m_chain->Flush(text);
    if (text.size() > before) {
        // The flushed text's counts go with the replay's.
        m_carried.good += m_chain->GoodCount();
        m_carried.errors += m_chain->ErrorCount();
        m_chain->ResetCounts();
    }
    if (!m_ring || !Replay(std::min(m_quiet, std::min(m_written, m_ringSize)), text)) {
        m_chain->SetTones(centre, halfShift);
    }
}

void CWeakSignalChain::SetStrictFec(bool strict) {
    m_strict = strict;
    m_chain->SetStrictFec(strict);
}

bool CWeakSignalChain::SetInvert(bool invert) {
    m_invert = invert;
    return m_chain->SetInvert(invert);
}

DecoderCounts CWeakSignalChain::TakeCounts() {
    const DecoderCounts counts{m_carried.good + m_chain->GoodCount(),
                               m_carried.errors + m_chain->ErrorCount()};
    m_carried = {};
    m_chain->ResetCounts();
    return counts;
}

}  // namespace wavelore
