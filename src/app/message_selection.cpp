#include "app/message_selection.h"

#include "app/message_record.h"

namespace wavelore {

namespace {

char16_t UpperLetter(char16_t c) {
    c = NarrowChar(c);
    if (c >= u'a' && c <= u'z') {
        c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return c >= u'A' && c <= u'Z' ? c : 0;
}

bool Holds(const std::u16string& letters, std::u16string_view one) {
    if (one.size() != 1) {
        return false;
    }
    const char16_t c = UpperLetter(one[0]);
    return c != 0 && letters.find(c) != std::u16string::npos;
}

}  // namespace

CMessageSelection::CMessageSelection(std::u16string_view stations, std::u16string_view subjects)
    : m_stations(Letters(stations)), m_subjects(SubjectLetters(subjects)) {}

std::u16string CMessageSelection::Letters(std::u16string_view text) {
    bool present[26] = {};
    for (const char16_t c : text) {
        if (const char16_t letter = UpperLetter(c)) {
            present[letter - u'A'] = true;
        }
    }
    std::u16string out;
    for (int i = 0; i < 26; ++i) {
        if (present[i]) {
            out += static_cast<char16_t>(u'A' + i);
        }
    }
    return out;
}

std::u16string CMessageSelection::SubjectLetters(std::u16string_view text) {
    return Letters(std::u16string(text) + std::u16string(kFixedSubjects));
}

bool CMessageSelection::IsFixedSubject(char16_t b2) {
    const char16_t c = UpperLetter(b2);
    return c != 0 && kFixedSubjects.find(c) != std::u16string_view::npos;
}

bool CMessageSelection::IsSelected(std::u16string_view b1, std::u16string_view b2) const {
    return Holds(m_stations, b1) && Holds(m_subjects, b2);
}

}  // namespace wavelore
