#include "synth/ita2_encoder.h"

namespace wavelore::synth {

namespace {

// Indexed by the code; 0 marks codes that print nothing (NUL, CR, LF,
// shifts, and the figures-case bell and spare).
constexpr char kLetters[32] = {0,   'T', 0,   'O', ' ', 'H', 'N', 'M', 0,   'L', 'R',
                               'G', 'I', 'P', 'C', 'V', 'E', 'Z', 'D', 'B', 'S', 'Y',
                               'F', 'X', 'A', 'W', 'J', 0,   'U', 'Q', 'K', 0};
constexpr char kFigures[32] = {0,   '5', 0,   '9', ' ',  0,   ',', '.', 0,   ')', '4',
                               '&', '8', '0', ':', ';',  '3', '"', '$', '?', 0,   '6',
                               '!', '/', '-', '2', '\'', 0,   '7', '1', '(', 0};

int Find(const char* column, char16_t c) {
    if (c == 0 || c > 0x7F) {
        return -1;
    }
    for (int code = 0; code < 32; ++code) {
        if (column[code] == static_cast<char>(c)) {
            return code;
        }
    }
    return -1;
}

}  // namespace

bool CIta2Encoder::Encode(std::u16string_view text, std::vector<uint8_t>& codes,
                          std::u16string& shown, std::size_t* badIndex) {
    std::vector<uint8_t> out;
    std::u16string view;
    Shift shift = m_shift;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            out.push_back(kIta2CarriageReturn);
            out.push_back(kIta2LineFeed);
            view.push_back(u'\n');
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            continue;
        }
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
        const int letter = Find(kLetters, c);
        const int figure = Find(kFigures, c);
        if (letter >= 0 && letter == figure) {
            out.push_back(static_cast<uint8_t>(letter));
        } else if (letter >= 0) {
            if (shift != Shift::Letters) {
                out.push_back(kIta2Letters);
                shift = Shift::Letters;
            }
            out.push_back(static_cast<uint8_t>(letter));
        } else if (figure >= 0) {
            if (shift != Shift::Figures) {
                out.push_back(kIta2Figures);
                shift = Shift::Figures;
            }
            out.push_back(static_cast<uint8_t>(figure));
        } else {
            if (badIndex != nullptr) {
                *badIndex = i;
            }
            return false;
        }
        view.push_back(c);
    }
    m_shift = shift;
    codes.insert(codes.end(), out.begin(), out.end());
    shown += view;
    return true;
}

void CIta2Encoder::ForceLetters(std::vector<uint8_t>& codes) {
    codes.push_back(kIta2Letters);
    m_shift = Shift::Letters;
}

void AppendIta2Elements(uint8_t code, std::vector<uint8_t>& elements) {
    elements.insert(elements.end(), {0, 0});
    for (int bit = 4; bit >= 0; --bit) {
        const uint8_t b = static_cast<uint8_t>((code >> bit) & 1U);
        elements.insert(elements.end(), {b, b});
    }
    elements.insert(elements.end(), {1, 1, 1});
}

}  // namespace wavelore::synth
