#include "service/message_names.h"

#include "app/station_table.h"
#include "app/subject_table.h"
#include "common/utf.h"

namespace wavelore::service {

std::string StationName(int navArea, std::string_view b1) {
    if (b1.size() != 1) {
        return {};
    }
    return ToUtf8(CStationTable::Lookup(navArea, static_cast<char16_t>(b1[0])).name);
}

std::string SubjectName(std::string_view b2) {
    if (b2.size() != 1) {
        return "?";
    }
    return ToUtf8(SubjectTable::Category(static_cast<char16_t>(b2[0])));
}

bool ReadHeaderLetter(std::string_view text, std::string& out) {
    if (text.size() != 1) {
        return false;
    }
    char c = text[0];
    if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
    }
    if (c < 'A' || c > 'Z') {
        return false;
    }
    out = std::string(1, c);
    return true;
}

std::string Identity(std::string_view b1, std::string_view b2, std::string_view number) {
    return std::string(b1) + std::string(b2) + std::string(number);
}

}  // namespace wavelore::service
