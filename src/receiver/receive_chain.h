#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/modes.h"
#include "receiver/decoder_chain.h"

namespace wavelore {

// What a decoder type is given to work with. The sample rate is kSampleRate.
struct ChainSettings {
    DecoderType type = DecoderType::SitorB;
    int32_t centre = 1700;   // Hz, midway between the tones
    int32_t halfShift = 85;  // Hz; the tones are centre +- half shift
    int32_t baud = 100;      // the mode's keying speed, > 0 except for FAX
    // The weak-signal chain instead of the demodulator and hard decoder,
    // for the types it decodes (UsesWeakSignalChain).
    bool enhanced = false;
    bool strictFec = true;
    bool invert = false;
};

// The weak-signal chain decodes SITOR-B only (NAVTEX and SITOR): the one
// place that says which types "enhanced" changes.
constexpr bool UsesWeakSignalChain(DecoderType type, bool enhanced) {
    return enhanced && type == DecoderType::SitorB;
}

// The baud the demodulator and decoder of a type run at: RTTY's decoder
// samples each bit twice.
int32_t ChainBaud(DecoderType type, int32_t baud);

// What one call gave.
struct ChainOutput {
    // The signal was written (one value per sample); false for the types
    // that demodulate nothing.
    bool demodulated = false;
    // The text decided, valid until the chain's next call.
    std::u16string_view text;
    // The decoder's counts since the previous text; only set with text, so
    // counts of buffers without text carry over to the next chunk.
    int32_t good = 0;
    int32_t errors = 0;
};

// The receive chain of one decoder type, built in one place for the
// decoder thread, the command-line decoder and the tests:
//   SITOR-B, AMTOR, NAVTEX-J: FSK demodulator + their decoder at the baud.
//   RTTY: both at twice the baud, so that the decoder sees half bits.
//   SITOR-B with `enhanced`: the weak-signal chain, same kinds of output.
//   DPSK and FAX: nothing at all (the spectrum still runs in the caller;
//   DPSK is offered for its tuning alone).
// Its calls never allocate: the text has room set aside at creation.
class CReceiveChain {
  public:
    // Null for an unknown type, a non-positive baud (FAX needs none), a baud
    // above the sample rate (RTTY's doubled one included), or when memory
    // is short. Strict FEC and the sense are set as the settings say.
    static std::unique_ptr<CReceiveChain> Create(const ChainSettings& settings);
    CReceiveChain(const CReceiveChain&) = delete;
    CReceiveChain& operator=(const CReceiveChain&) = delete;

    const ChainSettings& Settings() const { return m_settings; }
    // True for the types that turn the tones into text.
    bool ProducesText() const;

    // One buffer of samples (already scaled for the signal chain): the
    // demodulated signal into signal (room for n; may be in).
    ChainOutput Process(const double* in, size_t n, double* signal);

    // End of input (a recording's end, or decoding stops): what the chain
    // still holds back, with its counts. Only the weak-signal chain holds
    // text back.
    ChainOutput Finish();

    // Moves the tones; centre and halfShift in Hz. The weak-signal chain
    // may give text at once (CWeakSignalChain); the others give none.
    ChainOutput Retune(int32_t centre, int32_t halfShift);
    void SetStrictFec(bool strict);
    // Swaps the tones' sense; returns the previous setting (false for a
    // type without tones).
    bool SetInvert(bool invert);

    // The weak-signal chain's figures after the last call, else nullopt.
    std::optional<ChainQuality> Quality() const { return m_chain->Quality(); }

    // The chain of the type, for tests that look inside.
    IDecoderChain& Chain() { return *m_chain; }

  private:
    CReceiveChain(const ChainSettings& settings, std::unique_ptr<IDecoderChain> chain);

    // The text of the call just made, with the counts when there is text.
    ChainOutput Output(bool demodulated);

    ChainSettings m_settings;
    std::unique_ptr<IDecoderChain> m_chain;
    std::u16string m_text;
};

}  // namespace wavelore
