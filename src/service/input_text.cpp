#include "service/input_text.h"

#include "common/utf.h"

namespace wavelore::service {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

std::string CleanInputText(std::string_view text) {
    std::u16string wide = FromUtf8(text);
    for (char16_t& c : wide) {
        if (c == 0) {
            c = 0xFFFD;
        }
    }
    return ToUtf8(wide);
}

std::string PercentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += plusIsSpace && c == '+' ? ' ' : c;
    }
    return out;
}

}  // namespace wavelore::service
