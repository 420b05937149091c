#include "app/message_export.h"

#include <fstream>
#include <string>

#include "app/log_day.h"
#include "common/utf.h"

namespace wavelore {

namespace {

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

}  // namespace

std::vector<std::filesystem::path> ExportText(const std::vector<std::filesystem::path>& files,
                                              std::ostream& out) {
    std::vector<std::filesystem::path> unreadable;
    for (const std::filesystem::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            unreadable.push_back(file);
            continue;
        }
        out << in.rdbuf() << "\r\n";
    }
    return unreadable;
}

void ExportCsv(const std::vector<IndexedMessage>& rows, std::ostream& out) {
    out << "file,identity,station,subject,number,frame time,quality,good,errors,clean,repeat,"
           "selected,frequency\r\n";
    for (const IndexedMessage& row : rows) {
        const auto count = [&](int64_t value) {
            return row.counted ? std::to_string(value) : std::string();
        };
        out << CsvField(row.path.string()) << ',' << CsvField(ToUtf8(row.identity)) << ','
            << CsvField(ToUtf8(row.b1)) << ',' << CsvField(ToUtf8(row.b2)) << ','
            << CsvField(ToUtf8(row.number)) << ','
            << ToUtf8(FormatDate(row.frameTime) + u' ' + FormatTime(row.frameTime)) << ','
            << count(row.quality) << ',' << count(row.good) << ',' << count(row.errors) << ','
            << (row.clean ? 1 : 0) << ',' << (row.repeat ? 1 : 0) << ',' << (row.selected ? 1 : 0)
            << ',' << (row.frequencyHz > 0 ? std::to_string(row.frequencyHz) : std::string())
            << "\r\n";
    }
}

}  // namespace wavelore
