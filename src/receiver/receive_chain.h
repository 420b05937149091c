#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/modes.h"
#include "common/sample_block.h"

namespace wavelore {

class CCharacterDecoder;
class CDpskDemodulator;
class CEnhancedSitorBChain;
class CFskDemodulator;

// What a decoder type is given to work with.
struct ChainSettings {
    DecoderType type = DecoderType::SitorB;
    int32_t sampleRate = kSampleRate;  // Hz, > 0
    int32_t centre = 1700;             // Hz, midway between the tones
    int32_t halfShift = 85;            // Hz; the tones are centre +- half shift
    int32_t baud = 100;                // the mode's keying speed, > 0 except for FAX
    // SITOR-B only (NAVTEX, SITOR): the weak-signal chain instead of the
    // demodulator and hard decoder; the other types ignore it.
    bool enhanced = false;
};

// What one sound buffer gave.
struct ChainOutput {
    SampleBlock signal;  // the demodulated block; empty when nothing was demodulated
    std::u16string text;
    // The decoder's counts since the previous text; only set with text, so
    // counts of buffers without text carry over to the next chunk.
    int32_t good = 0;
    int32_t errors = 0;
};

// The receive chain of one decoder type: the demodulator and the character
// decoder it feeds, built in one place for the decoder thread, the
// command-line decoder and the tests.
//   SITOR-B, AMTOR, NAVTEX-J: FSK demodulator + their decoder at the baud.
//   RTTY: both at twice the baud, so that the decoder sees half bits.
//   DPSK: a demodulator that only carries its tuning; no output, no text.
//   FAX: nothing at all (the spectrum still runs in the caller).
//   SITOR-B with `enhanced`: the weak-signal chain, same kinds of output.
class CReceiveChain {
  public:
    // Null for an unknown type, a non-positive rate or baud (FAX needs no
    // baud), a baud above the sample rate (RTTY's doubled one included), or
    // when memory is short.
    static std::unique_ptr<CReceiveChain> Create(const ChainSettings& settings);
    ~CReceiveChain();
    CReceiveChain(const CReceiveChain&) = delete;
    CReceiveChain& operator=(const CReceiveChain&) = delete;

    DecoderType Type() const { return m_settings.type; }
    // True for the types that turn the tones into text.
    bool ProducesText() const {
        return m_enhanced != nullptr || (m_decoder != nullptr && m_fsk != nullptr);
    }

    // One buffer of samples (already scaled for the signal chain).
    ChainOutput Process(const SampleBlock& samples);

    // End of input (a recording's end, or decoding stops): what the chain
    // still holds back, with its counts. Only the enhanced chain holds
    // text back.
    ChainOutput Finish();

    // Moves the tones; centre and halfShift in Hz. The enhanced chain keeps
    // the last kReplaySeconds of its input: moved to tones it was not
    // following (beyond its AFC's reach), it gives up what it held back and
    // starts afresh on the new tones with the audio since its last text, so
    // the seconds spent finding a signal (its first header, often) are
    // decoded after all, once. Returns that text; nothing otherwise.
    ChainOutput Retune(int32_t centre, int32_t halfShift);
    static constexpr int32_t kReplaySeconds = 8;
    void SetStrictFec(bool strict);
    // Swaps the tones' sense; returns the previous setting (false without
    // an FSK demodulator).
    bool SetInvert(bool invert);

    // The parts, for tests that look inside; null where the type has none.
    CFskDemodulator* Demodulator() { return m_fsk.get(); }
    CCharacterDecoder* Decoder() { return m_decoder.get(); }
    CEnhancedSitorBChain* Enhanced() { return m_enhanced.get(); }

  private:
    explicit CReceiveChain(const ChainSettings& settings);

    // The enhanced chain's text and counts of one call.
    ChainOutput TakeCounts(ChainOutput out);
    // Keeps samples in the replay ring.
    void Remember(const SampleBlock& samples);
    // A fresh enhanced chain on the tuning in m_settings given the last
    // count samples of the ring; false when memory is short.
    bool Replay(int64_t count, ChainOutput& out);

    ChainSettings m_settings;
    std::unique_ptr<CFskDemodulator> m_fsk;
    std::unique_ptr<CDpskDemodulator> m_dpsk;
    std::unique_ptr<CCharacterDecoder> m_decoder;
    std::unique_ptr<CEnhancedSitorBChain> m_enhanced;
    bool m_strict = true;
    bool m_invert = false;
    // The enhanced chain's last input, as a ring, and how many samples it
    // has taken since its last text (or its start).
    std::unique_ptr<float[]> m_ring;
    int64_t m_ringSize = 0;
    int64_t m_written = 0;
    int64_t m_quiet = 0;
};

// The baud the demodulator and decoder of a type run at: RTTY's decoder
// samples each bit twice.
int32_t ChainBaud(DecoderType type, int32_t baud);

}  // namespace wavelore
