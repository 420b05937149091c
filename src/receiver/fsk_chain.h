#pragma once

#include <memory>

#include "dsp/character_decoder.h"
#include "dsp/fsk_demodulator.h"
#include "receiver/decoder_chain.h"

namespace wavelore {

// SITOR-B, AMTOR, NAVTEX-J and RTTY: the FSK demodulator and the character
// decoder it feeds.
class CFskChain final : public IDecoderChain {
  public:
    // centre, halfShift: Hz, the tones are centre +- halfShift. baud: the
    // chain's (ChainBaud). decoder: not null.
    CFskChain(double centre, double halfShift, int32_t baud,
              std::unique_ptr<CCharacterDecoder> decoder);

    bool Process(const double* in, size_t n, double* signal, std::u16string& text) override;
    void Retune(int32_t centre, int32_t halfShift, std::u16string& text) override;
    void SetStrictFec(bool strict) override { m_decoder->SetStrictFec(strict); }
    bool SetInvert(bool invert) override { return m_demodulator.SetInvert(invert); }
    DecoderCounts TakeCounts() override;

    CFskDemodulator& Demodulator() { return m_demodulator; }
    CCharacterDecoder& Decoder() { return *m_decoder; }

  private:
    CFskDemodulator m_demodulator;
    std::unique_ptr<CCharacterDecoder> m_decoder;
};

}  // namespace wavelore
