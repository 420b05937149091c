#include "app/subject_table.h"

#include "app/message_record.h"

namespace wavelore {

namespace {

constexpr std::u16string_view kCategories[26] = {
    u"Nav warning",
    u"Met warning",
    u"Ice",
    u"Search & Rescue",
    u"Met forecast",
    u"Pilot",
    u"Decca",
    u"Loran",
    u"Omega",
    u"Satnav",
    u"Other navaid",
    u"Navigation",
    u"?",
    u"?",
    u"?",
    u"?",
    u"?",
    u"?",
    u"?",
    u"?",
    u"?",
    u"Special",
    u"Special",
    u"Special",
    u"Special",
    u"No messsage",
};

}  // namespace

std::u16string_view SubjectTable::Category(char16_t b2) {
    const char16_t c = NarrowChar(b2);
    if (c < u'A' || c > u'Z') {
        return u"?";
    }
    return kCategories[c - u'A'];
}

bool SubjectTable::IsImportant(char16_t b2) {
    const char16_t c = NarrowChar(b2);
    return c >= u'A' && c <= u'D';
}

}  // namespace wavelore
