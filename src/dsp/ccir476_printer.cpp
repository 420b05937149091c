#include "dsp/ccir476_printer.h"

#include "dsp/ccir476_table.h"

namespace wavelore {

void CCcir476Printer::Print(uint32_t code, std::u16string& out) {
    Append(code, m_letters, out);
    if (code == kCcirFigures) {
        m_letters = false;
    } else if (code == kCcirLetters) {
        m_letters = true;
    }
}

void CCcir476Printer::Append(uint32_t code, bool letters, std::u16string& out) {
    if (!Ccir476IsValid(code)) {
        return;
    }
    const char c = letters ? kCcir476Letters[code] : kCcir476Figures[code];
    if (c == '%') {
        return;
    }
    // The tables hold ASCII only.
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    if (c == '\r') {
        out.push_back(u'\n');
    }
}

}  // namespace wavelore
