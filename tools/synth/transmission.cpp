#include "synth/transmission.h"

#include <algorithm>
#include <cmath>

#include "dsp/ccir476_table.h"
#include "synth/navtex_j_encoder.h"

namespace wavelore::synth {

namespace {

// The three alphas a CCIR 476 FEC emission ends with, in DX position.
constexpr int kEndAlphas = 3;
// The Japanese receiver shows a character only after five more have been
// accepted; phasing after the text pushes the last ones out.
constexpr int kNavtexJEndPhasing = 8;
// RTTY ends with two bits of mark before the carrier drops.
constexpr int kRttyEndElements = 4;

const FecCode& CodeOf(SynthMode mode) {
    return mode == SynthMode::NavtexJ ? kNavtexJFec : kCcir476Fec;
}

bool EndsWithLineEnd(std::u16string_view text) {
    return !text.empty() && (text.back() == u'\n' || text.back() == u'\r');
}

// A character-by-character reader sees both copies, each in the shift
// state of the moment it arrives; alpha followed by the repetition signal
// (the phasing) realigns it and forces letters.
std::u16string AmtorText(const std::vector<uint16_t>& slots) {
    std::u16string text;
    bool letters = true;
    uint16_t previous = 0;
    for (const uint16_t code : slots) {
        if (previous == kCcirAlpha && code == kCcirRepetition) {
            letters = true;
        } else if (Ccir476IsValid(code)) {
            const char entry = letters ? kCcir476Letters[code] : kCcir476Figures[code];
            if (code == kCcirFigures) {
                letters = false;
            } else if (code == kCcirLetters) {
                letters = true;
            }
            if (entry != '%') {
                text.push_back(static_cast<char16_t>(static_cast<unsigned char>(entry)));
                if (entry == '\r') {
                    text.push_back(u'\n');
                }
            }
        }
        previous = code;
    }
    return text;
}

}  // namespace

CTransmission::CTransmission(SynthMode mode, double baud) : m_mode(mode), m_baud(baud) {
    if (!(m_baud > 0.0)) {
        m_baud = mode == SynthMode::Rtty ? 50.0 : 100.0;
    }
}

int CTransmission::PhasingUnits(double seconds) const {
    if (!(seconds > 0.0)) {
        return 0;
    }
    const double bitsPerUnit = 2.0 * CodeOf(m_mode).bitsPerCode;
    return static_cast<int>(std::lround(seconds * m_baud / bitsPerUnit));
}

void CTransmission::AddPhasing(double seconds) {
    if (m_mode == SynthMode::Rtty) {
        if (seconds > 0.0) {
            m_elements.insert(m_elements.end(),
                              static_cast<std::size_t>(std::lround(seconds * m_baud * 2.0)), 1);
        }
        return;
    }
    const FecCode& code = CodeOf(m_mode);
    m_units.insert(m_units.end(), static_cast<std::size_t>(PhasingUnits(seconds)),
                   FecUnit{code.phasingDx, code.phasingRx, true});
}

bool CTransmission::AddText(std::u16string_view text, std::size_t* badIndex) {
    switch (m_mode) {
        case SynthMode::SitorB:
        case SynthMode::Amtor: {
            std::vector<uint8_t> codes;
            if (!m_ccir.Encode(text, codes, badIndex)) {
                return false;
            }
            for (const uint8_t c : codes) {
                m_units.push_back(FecUnit{c, c, true});
            }
            m_traffic.insert(m_traffic.end(), codes.begin(), codes.end());
            return true;
        }
        case SynthMode::NavtexJ: {
            std::vector<uint8_t> bytes;
            if (!CNavtexJEncoder::Encode(text, bytes, m_expected, badIndex)) {
                return false;
            }
            for (const uint8_t b : bytes) {
                const uint16_t code = NavtexJCode(b);
                m_units.push_back(FecUnit{code, code, true});
            }
            return true;
        }
        case SynthMode::Rtty: {
            std::vector<uint8_t> codes;
            if (!m_ita2.Encode(text, codes, m_expected, badIndex)) {
                return false;
            }
            for (const uint8_t c : codes) {
                AppendIta2Elements(c, m_elements);
            }
            return true;
        }
    }
    return false;
}

bool CTransmission::AddMessage(const NavtexMessage& message) {
    std::u16string framed = u"ZCZC " + message.header + u"\r\n" + message.body;
    if (!EndsWithLineEnd(message.body)) {
        framed += u"\r\n";
    }
    framed += u"NNNN\r\n";

    // Work on copies so that a refused message leaves nothing behind.
    CTransmission trial = *this;
    if (m_mode == SynthMode::SitorB || m_mode == SynthMode::Amtor) {
        std::vector<uint8_t> shift;
        trial.m_ccir.ForceLetters(shift);
        for (const uint8_t c : shift) {
            trial.m_units.push_back(FecUnit{c, c, true});
        }
        trial.m_traffic.insert(trial.m_traffic.end(), shift.begin(), shift.end());
    } else if (m_mode == SynthMode::Rtty) {
        std::vector<uint8_t> shift;
        trial.m_ita2.ForceLetters(shift);
        for (const uint8_t c : shift) {
            AppendIta2Elements(c, trial.m_elements);
        }
    }
    if (!trial.AddText(framed)) {
        return false;
    }
    *this = std::move(trial);
    return true;
}

void CTransmission::SetIdleAfterEnd(double seconds) {
    m_idleAfterEnd = m_mode == SynthMode::SitorB || m_mode == SynthMode::Amtor
                         ? PhasingUnits(std::min(seconds, 3600.0))
                         : 0;
}

std::vector<FecUnit> CTransmission::UnitsWithEnd() const {
    std::vector<FecUnit> units = m_units;
    if (m_mode == SynthMode::NavtexJ) {
        units.insert(units.end(), kNavtexJEndPhasing,
                     FecUnit{kNavtexJFec.phasingDx, kNavtexJFec.phasingRx, true});
    } else {
        units.insert(units.end(), kEndAlphas, FecUnit{kCcirAlpha, 0, false});
        units.insert(units.end(), static_cast<std::size_t>(m_idleAfterEnd),
                     FecUnit{kCcirAlpha, kCcirAlpha, true});
    }
    return units;
}

Keying CTransmission::MakeKeying() const {
    Keying keying;
    if (m_mode == SynthMode::Rtty) {
        keying.elementsPerBit = 2;
        keying.elements = m_elements;
        keying.elements.insert(keying.elements.end(), kRttyEndElements, 1);
        return keying;
    }
    const FecCode& code = CodeOf(m_mode);
    for (const uint16_t slot : InterleaveFec(UnitsWithEnd(), code)) {
        AppendCodeBits(slot, code.bitsPerCode, keying.elements);
    }
    return keying;
}

std::u16string CTransmission::ExpectedText() const {
    switch (m_mode) {
        case SynthMode::SitorB:
            return Ccir476Text(m_traffic);
        case SynthMode::Amtor:
            return AmtorText(InterleaveFec(UnitsWithEnd(), kCcir476Fec));
        case SynthMode::NavtexJ:
        case SynthMode::Rtty:
            return m_expected;
    }
    return {};
}

std::optional<CTransmission> MakeBroadcast(SynthMode mode,
                                           const std::vector<NavtexMessage>& messages,
                                           double phasingSeconds, double gapSeconds) {
    CTransmission transmission(mode);
    transmission.AddPhasing(phasingSeconds);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (i > 0) {
            transmission.AddPhasing(gapSeconds);
        }
        if (!transmission.AddMessage(messages[i])) {
            return std::nullopt;
        }
    }
    return transmission;
}

}  // namespace wavelore::synth
