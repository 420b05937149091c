#include "app/explorer_model.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "app/message_index.h"
#include "app/station_table.h"
#include "app/stored_message_name.h"
#include "app/subject_table.h"
#include "common/utf.h"

namespace wavelore {

namespace {

constexpr size_t kDayNameLength = 10;

// Names in UTF-16 as the explorer compares and shows them; bytes that are
// not UTF-8 become U+FFFD rather than failing.
std::u16string NameOf(const std::filesystem::path& path) {
    return FromUtf8(path.filename().string());
}

std::filesystem::path PathOf(std::u16string_view text) {
    return std::filesystem::path(ToUtf8(text));
}

bool HasTxtExtension(std::u16string_view name) {
    if (name.size() < 4) {
        return false;
    }
    const std::u16string_view ext = name.substr(name.size() - 4);
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c; };
    return ext[0] == u'.' && lower(ext[1]) == u't' && lower(ext[2]) == u'x' &&
           lower(ext[3]) == u't';
}

// Entries of a directory in name order, the order in which the log tree's
// dated names sort by date; what cannot be read is left out.
template <typename Keep>
std::vector<std::pair<std::u16string, std::filesystem::path>> ListSorted(
    const std::filesystem::path& dir, Keep keep) {
    std::vector<std::pair<std::u16string, std::filesystem::path>> entries;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::u16string name = NameOf(it->path());
        if (keep(*it, name)) {
            entries.emplace_back(std::move(name), it->path());
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return entries;
}

}  // namespace

void CExplorerModel::SetLogRoot(const std::filesystem::path& root) {
    m_root = root;
    Clear();
    const auto days = ListSorted(
        m_root, [](const std::filesystem::directory_entry& entry, const std::u16string& name) {
            std::error_code ec;
            return name.size() == kDayNameLength && entry.is_directory(ec);
        });
    int32_t added = kNoDay;
    for (const auto& [name, path] : days) {
        if (std::find(m_days.begin(), m_days.end(), name) == m_days.end()) {
            m_days.push_back(name);
            added = static_cast<int32_t>(m_days.size()) - 1;
        }
    }
    SelectDay(added);
}

void CExplorerModel::Clear() {
    m_days.clear();
    m_selected = kNoDay;
    ClearRows();
}

void CExplorerModel::ClearRows() {
    m_all.clear();
    m_rows.clear();
    m_chosen = 0;
}

void CExplorerModel::SelectDay(int32_t index) {
    ClearRows();
    if (index < 0 || index >= static_cast<int32_t>(m_days.size())) {
        m_selected = kNoDay;
        return;
    }
    m_selected = index;
    const std::u16string& day = m_days[static_cast<size_t>(index)];
    const auto files =
        ListSorted(m_root / PathOf(day),
                   [](const std::filesystem::directory_entry& entry, const std::u16string& name) {
                       std::error_code ec;
                       return HasTxtExtension(name) && !entry.is_directory(ec);
                   });
    // The day's repeats, by file name: the day's directory holds each name
    // once.
    std::set<std::filesystem::path> repeats;
    if (m_index != nullptr && !files.empty()) {
        for (const std::filesystem::path& repeat : m_index->RepeatsOfDay(day)) {
            if (NameOf(repeat.parent_path()) == day) {
                repeats.insert(repeat.filename());
            }
        }
    }
    for (const auto& [name, path] : files) {
        if (const auto header = StoredMessageName::Listed(name, day)) {
            AddRow(*header, m_root / PathOf(day) / path.filename(),
                   repeats.count(path.filename()) != 0);
        }
    }
    Filter();
}

void CExplorerModel::AddRow(const MessageHeader& header, const std::filesystem::path& path,
                            bool repeat) {
    ExplorerRow row;
    row.header = header;
    row.path = path;
    row.id = m_nextId++;
    row.repeat = repeat;
    Label(row);
    m_all.push_back(std::move(row));
}

void CExplorerModel::Label(ExplorerRow& row) const {
    const StationName name =
        row.header.b1.size() == 1
            ? CStationTable::Lookup(
                  CStationTable::NamingNavArea(m_navArea, ModeOfSerial(row.header.number)),
                  row.header.b1[0])
            : StationName{};
    row.station = row.header.b1;
    if (!name.name.empty()) {
        row.station += u' ';
        row.station += name.name;
    }
    row.frequencyHz = name.frequencyHz;
    row.selected = m_selection.IsSelected(row.header.b1, row.header.b2);
}

bool CExplorerModel::Shown(const ExplorerRow& row) const {
    return (row.selected || m_showAll) && !(row.repeat && m_hideRepeats);
}

void CExplorerModel::Filter() {
    m_rows.clear();
    for (const ExplorerRow& row : m_all) {
        if (Shown(row)) {
            m_rows.push_back(row);
        }
    }
}

void CExplorerModel::SetNavArea(int32_t navArea) {
    m_navArea = navArea;
    for (ExplorerRow& row : m_all) {
        Label(row);
    }
    Filter();
}

void CExplorerModel::SetSelection(const CMessageSelection& selection) {
    m_selection = selection;
    SetNavArea(m_navArea);
}

void CExplorerModel::SetHideRepeats(bool hide) {
    m_hideRepeats = hide;
    Filter();
}

void CExplorerModel::SetShowAll(bool all) {
    m_showAll = all;
    Filter();
}

std::u16string_view CExplorerModel::ColumnText(const ExplorerRow& row, int32_t column) {
    switch (column) {
        case kMessage:
            return row.header.number;
        case kStation:
            return row.station;
        case kType:
            return row.header.b2;
        case kTime:
            return row.header.time;
        case kCategory:
            return SubjectTable::Category(row.header.b2.empty() ? u'\0' : row.header.b2[0]);
        default:
            return {};
    }
}

int32_t CExplorerModel::Image(const ExplorerRow& row) {
    const bool important = !row.header.b2.empty() && SubjectTable::IsImportant(row.header.b2[0]);
    return important ? kImageImportant : kImageOrdinary;
}

void CExplorerModel::Sort(int32_t column) {
    if (column < 0 || column >= kColumns) {
        return;
    }
    const bool descending = m_descending[static_cast<size_t>(column)];
    std::stable_sort(m_all.begin(), m_all.end(),
                     [column, descending](const ExplorerRow& a, const ExplorerRow& b) {
                         const std::u16string_view ta = ColumnText(a, column);
                         const std::u16string_view tb = ColumnText(b, column);
                         return descending ? tb < ta : ta < tb;
                     });
    m_descending[static_cast<size_t>(column)] = !descending;
    Filter();
}

CExplorerModel::Added CExplorerModel::AddStoredMessage(const MessageHeader& header,
                                                       const std::filesystem::path& path) {
    Added added;
    if (std::find(m_days.begin(), m_days.end(), header.date) == m_days.end()) {
        m_days.push_back(header.date);
        added.day = true;
    }
    if (m_selected != kNoDay && m_days[static_cast<size_t>(m_selected)] == header.date) {
        // The store tells the index first.
        AddRow(header, path, m_index != nullptr && m_index->IsRepeat(path));
        if (Shown(m_all.back())) {
            m_rows.push_back(m_all.back());
            added.row = true;
        }
    }
    return added;
}

bool CExplorerModel::Choose(int32_t row, std::filesystem::path& path) {
    if (row < 0 || row >= static_cast<int32_t>(m_rows.size())) {
        return false;
    }
    const ExplorerRow& chosen = m_rows[static_cast<size_t>(row)];
    if (chosen.id == m_chosen) {
        return false;
    }
    m_chosen = chosen.id;
    path = chosen.path;
    return true;
}

}  // namespace wavelore
