#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "synth/ccir476_encoder.h"
#include "synth/fec_interleaver.h"
#include "synth/ita2_encoder.h"
#include "synth/synth_options.h"

namespace wavelore::synth {

// What the modulator keys: one tone decision per element, 1 = upper tone.
// An element lasts 1 / (baud * elementsPerBit) seconds; start-stop codes
// use half-bit elements so that 1.5 stop bits can be keyed.
struct Keying {
    std::vector<uint8_t> elements;
    int elementsPerBit = 1;
};

// One NAVTEX message: the header B1 B2 B3 B4 (e.g. "EA12"; five
// characters, "EA123", in NAVTEX-J) and the body, lines separated by line
// ends.
struct NavtexMessage {
    std::u16string header;
    std::u16string body;
};

// An emission under construction: phasing, text and messages in the order
// they are added, then the end of emission. It knows the exact text a
// perfect decoder of its mode prints for it.
class CTransmission {
  public:
    // baud: the nominal keying speed, used only to turn seconds into
    // signals; 0 takes the mode's usual speed (100, RTTY 50).
    explicit CTransmission(SynthMode mode, double baud = 0.0);

    SynthMode Mode() const { return m_mode; }

    // Phasing signals for about this long (FEC modes), or steady mark
    // (RTTY). Phasing in the middle of an emission is allowed.
    void AddPhasing(double seconds);

    // Text sent as it stands; line ends become CR LF. Returns false and
    // sends nothing when a character cannot be sent in this mode; badIndex
    // (if given) receives its position.
    bool AddText(std::u16string_view text, std::size_t* badIndex = nullptr);

    // A framed message: "ZCZC B1B2B3B4", line end, body, line end, "NNNN",
    // line end, preceded by a letters shift. NAVTEX-J frames and text go
    // out in fullwidth forms. Returns false (sending nothing) when the
    // header or body holds a character the mode cannot send.
    bool AddMessage(const NavtexMessage& message);

    // CCIR 476 modes: after the end of emission the transmitter keeps
    // sending the idle signal alpha in every slot for about this long
    // before its carrier drops, as some stations do.
    void SetIdleAfterEnd(double seconds);

    // The keyed elements including the end of emission.
    Keying MakeKeying() const;

    // What the decoder of this mode prints for the whole emission when
    // every character arrives intact.
    std::u16string ExpectedText() const;

  private:
    int PhasingUnits(double seconds) const;
    std::vector<FecUnit> UnitsWithEnd() const;

    SynthMode m_mode;
    double m_baud;
    // FEC modes (SITOR-B, AMTOR, NAVTEX-J).
    std::vector<FecUnit> m_units;
    int m_idleAfterEnd = 0;  // units
    CCcir476Encoder m_ccir;
    std::vector<uint8_t> m_traffic;  // CCIR 476 codes of the text, in order
    // Start-stop mode: elements so far.
    std::vector<uint8_t> m_elements;
    CIta2Encoder m_ita2;
    // NAVTEX-J and RTTY: the text shown, built as the text is added.
    std::u16string m_expected;
};

// A whole broadcast: phasingSeconds of phasing, the messages separated by
// gapSeconds of phasing, then the end of emission. Empty when a message
// holds a character the mode cannot send.
std::optional<CTransmission> MakeBroadcast(SynthMode mode,
                                           const std::vector<NavtexMessage>& messages,
                                           double phasingSeconds = 2.0, double gapSeconds = 1.0);

}  // namespace wavelore::synth
