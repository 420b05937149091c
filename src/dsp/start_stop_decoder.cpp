#include "dsp/start_stop_decoder.h"

namespace wavelore {

namespace {

// Values above 0xFF mark codes without text of their own.
constexpr char16_t kNone = 0;
constexpr char16_t kFiguresShift = 0xFF;
constexpr char16_t kLettersShift = 0xFE;
constexpr char16_t kBell = 0xFD;

// Indexed by the five-bit code with the first data bit as bit 4.
constexpr char16_t kLetters[32] = {
    kNone, u'T', u'\r', u'O', u' ', u'H',          u'N', u'M', u'\n', u'L',          u'R',
    u'G',  u'I', u'P',  u'C', u'V', u'E',          u'Z', u'D', u'B',  u'S',          u'Y',
    u'F',  u'X', u'A',  u'W', u'J', kFiguresShift, u'U', u'Q', u'K',  kLettersShift,
};
constexpr char16_t kFigures[32] = {
    kNone, u'5', u'\r', u'9', u' ',  kNone,         u',', u'.', u'\n', u')',          u'4',
    u'&',  u'8', u'0',  u':', u';',  u'3',          u'"', u'$', u'?',  kBell,         u'6',
    u'!',  u'/', u'-',  u'2', u'\'', kFiguresShift, u'7', u'1', u'(',  kLettersShift,
};

constexpr int32_t kFirstDataSample = 2;
constexpr int32_t kStopSample = 12;

}  // namespace

CStartStopDecoder::CStartStopDecoder(uint32_t sampleRate, uint32_t baud)
    : CCharacterDecoder(
          sampleRate, baud,
          baud > 0 && baud <= sampleRate ? 2 * static_cast<int32_t>(sampleRate / baud) : 2) {}

void CStartStopDecoder::ResetCharacters() {
    m_history = 0;
    m_inCharacter = false;
    m_counter = 0;
    m_code = 0;
    m_letters = true;
}

char16_t CStartStopDecoder::Letter(uint32_t code) {
    return kLetters[code & 0x1F];
}

char16_t CStartStopDecoder::Figure(uint32_t code) {
    return kFigures[code & 0x1F];
}

void CStartStopDecoder::HandleBit(int bit, std::u16string& out) {
    const uint32_t b = bit != 0 ? 1u : 0u;
    m_history = (m_history << 1) | b;
    if (!m_inCharacter) {
        if ((m_history & 3) == 2) {
            m_inCharacter = true;
            m_counter = 0;
            m_code = 0;
        }
        return;
    }
    ++m_counter;
    if (m_counter == 1 && b != 0) {
        m_inCharacter = false;
        return;
    }
    if (m_counter >= kFirstDataSample && m_counter < kStopSample &&
        (m_counter - kFirstDataSample) % 2 == 0) {
        m_code = ((m_code << 1) | b) & 0x1F;
        return;
    }
    if (m_counter == kStopSample) {
        m_inCharacter = false;
        if (b != 0) {
            Emit(m_code, out);
        }
    }
}

void CStartStopDecoder::Emit(uint32_t code, std::u16string& out) {
    const char16_t c = m_letters ? Letter(code) : Figure(code);
    switch (c) {
        case kFiguresShift:
            m_letters = false;
            return;
        case kLettersShift:
            m_letters = true;
            return;
        case kNone:
        case kBell:
        case u'\r':
            return;
        default:
            out.push_back(c);
    }
}

}  // namespace wavelore
