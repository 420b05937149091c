#include "synth/navtex_j_encoder.h"

#include "dsp/jis_table.h"

namespace wavelore::synth {

namespace {

// The JIS code whose row gives back exactly c, or 0.
uint16_t FindJis(char16_t c) {
    for (int32_t i = 0; i < kJisCharacterRows; ++i) {
        if (kJisTable[i].unicode == c && JisToUnicode(kJisTable[i].jis) == c) {
            return kJisTable[i].jis;
        }
    }
    return 0;
}

// ASCII has no row of its own; its fullwidth twin usually has. A few
// marks live elsewhere in JIS X 0208 (the table follows the published
// mapping, where the minus is U+2212 and the quotes are curly).
char16_t JapaneseForm(char16_t c) {
    switch (c) {
        case u' ':
            return u'\u3000';
        case u'-':
            return u'\u2212';
        case u'\'':
            return u'\u2019';
        case u'"':
            return u'\u201D';
        case u'~':
            return u'\u301C';
        default:
            break;
    }
    if (c > 0x20 && c < 0x7F) {
        return static_cast<char16_t>(c - 0x21 + 0xFF01);
    }
    return c;
}

}  // namespace

uint16_t NavtexJCode(uint8_t data) {
    data &= 0x7F;
    int zeros = 7;
    for (int i = 0; i < 7; ++i) {
        zeros -= (data >> i) & 1;
    }
    return static_cast<uint16_t>(data | ((zeros & 1) << 9) | (((zeros >> 1) & 1) << 8) |
                                 (((zeros >> 2) & 1) << 7));
}

uint16_t CNavtexJEncoder::JisCode(char16_t c) {
    uint16_t jis = FindJis(JapaneseForm(c));
    if (jis == 0 && c > 0x20 && c < 0x7F) {
        jis = FindJis(c);
    }
    return jis;
}

bool CNavtexJEncoder::Encode(std::u16string_view text, std::vector<uint8_t>& bytes,
                             std::u16string& shown, std::size_t* badIndex) {
    std::vector<uint8_t> out;
    std::u16string view;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            out.push_back(0x0D);
            out.push_back(0x0A);
            view.push_back(static_cast<char16_t>(JisToUnicode(0x0D0A)));
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            continue;
        }
        const uint16_t jis = JisCode(c);
        if (jis == 0) {
            if (badIndex != nullptr) {
                *badIndex = i;
            }
            return false;
        }
        out.push_back(static_cast<uint8_t>(jis >> 8));
        out.push_back(static_cast<uint8_t>(jis & 0x7F));
        view.push_back(static_cast<char16_t>(JisToUnicode(jis)));
    }
    bytes.insert(bytes.end(), out.begin(), out.end());
    shown += view;
    return true;
}

}  // namespace wavelore::synth
