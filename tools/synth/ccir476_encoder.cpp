#include "synth/ccir476_encoder.h"

#include "dsp/ccir476_table.h"

namespace wavelore::synth {

namespace {

// The valid code whose entry in the column is c, or -1.
int FindCode(const char* column, char16_t c) {
    if (c == u'%' || c == u'*' || c > 0x7F) {
        return -1;
    }
    for (uint32_t code = 0; code < 128; ++code) {
        if (Ccir476IsValid(code) && column[code] == static_cast<char>(c)) {
            return static_cast<int>(code);
        }
    }
    return -1;
}

}  // namespace

bool CCcir476Encoder::Encode(std::u16string_view text, std::vector<uint8_t>& codes,
                             std::size_t* badIndex) {
    std::vector<uint8_t> out;
    Shift shift = m_shift;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            out.push_back(static_cast<uint8_t>(kCcirCarriageReturn));
            out.push_back(kCcirLineFeed);
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            continue;
        }
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
        const int letter = FindCode(kCcir476Letters, c);
        const int figure = FindCode(kCcir476Figures, c);
        // Space has a code that prints it in both shifts: no shift needed.
        if (letter >= 0 && letter == figure) {
            out.push_back(static_cast<uint8_t>(letter));
        } else if (letter >= 0) {
            if (shift != Shift::Letters) {
                out.push_back(static_cast<uint8_t>(kCcirLetters));
                shift = Shift::Letters;
            }
            out.push_back(static_cast<uint8_t>(letter));
        } else if (figure >= 0) {
            if (shift != Shift::Figures) {
                out.push_back(static_cast<uint8_t>(kCcirFigures));
                shift = Shift::Figures;
            }
            out.push_back(static_cast<uint8_t>(figure));
        } else {
            if (badIndex != nullptr) {
                *badIndex = i;
            }
            return false;
        }
    }
    m_shift = shift;
    codes.insert(codes.end(), out.begin(), out.end());
    return true;
}

void CCcir476Encoder::ForceLetters(std::vector<uint8_t>& codes) {
    codes.push_back(static_cast<uint8_t>(kCcirLetters));
    m_shift = Shift::Letters;
}

std::u16string Ccir476Text(const std::vector<uint8_t>& codes) {
    std::u16string text;
    bool letters = true;
    for (const uint8_t code : codes) {
        if (!Ccir476IsValid(code)) {
            continue;
        }
        const char entry = letters ? kCcir476Letters[code] : kCcir476Figures[code];
        if (code == kCcirFigures) {
            letters = false;
        } else if (code == kCcirLetters) {
            letters = true;
        }
        if (entry == '%') {
            continue;
        }
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(entry)));
        if (entry == '\r') {
            text.push_back(u'\n');
        }
    }
    return text;
}

}  // namespace wavelore::synth
