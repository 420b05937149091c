#include "app/message_record.h"

namespace wavelore {

char16_t FileNameSafe(char16_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) {
        return u'_';
    }
    switch (c) {
        case u'/':
        case u'\\':
        case u':':
        case u'*':
        case u'?':
        case u'"':
        case u'<':
        case u'>':
        case u'|':
            return u'_';
        default:
            return c < 0x20 || c == 0x7F ? u'_' : c;
    }
}

std::u16string StoredIdentity(std::u16string_view b1, std::u16string_view b2,
                              std::u16string_view number) {
    std::u16string identity;
    for (const std::u16string_view part : {b1, b2, number}) {
        for (const char16_t c : part) {
            identity += FileNameSafe(c);
        }
    }
    return identity;
}

uint32_t WeightedErrors(uint32_t errors, Mode mode) {
    return mode == Mode::Navtex ? errors / 7 : errors;
}

int32_t MessageQuality(uint32_t good, uint32_t errors, Mode mode) {
    const uint32_t weighted = WeightedErrors(errors, mode);
    const double total = static_cast<double>(good) + static_cast<double>(weighted);
    if (total <= 0.0) {
        return 0;
    }
    return static_cast<int32_t>(100.0 * static_cast<double>(good) / total);
}

}  // namespace wavelore
