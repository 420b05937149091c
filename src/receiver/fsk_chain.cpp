#include "receiver/fsk_chain.h"

#include "common/sample_rate.h"

namespace wavelore {

CFskChain::CFskChain(double centre, double halfShift, int32_t baud,
                     std::unique_ptr<CCharacterDecoder> decoder)
    : m_demodulator(kSampleRate, centre + halfShift, centre - halfShift, baud),
      m_decoder(std::move(decoder)) {}

bool CFskChain::Process(const double* in, size_t n, double* signal, std::u16string& text) {
    if (m_demodulator.Process(in, n, signal) == 0) {
        return false;
    }
    m_decoder->Process(signal, n, text);
    return true;
}

void CFskChain::Retune(int32_t centre, int32_t halfShift, std::u16string& /*text*/) {
    // The decoder is not touched: bit timing and decoding go on across it.
    m_demodulator.SetTones(double(centre) + halfShift, double(centre) - halfShift);
}

DecoderCounts CFskChain::TakeCounts() {
    const DecoderCounts counts{m_decoder->GoodCount(), m_decoder->ErrorCount()};
    m_decoder->ResetCounts();
    return counts;
}

}  // namespace wavelore
