#include "app/explorer_model.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "app/message_index.h"
#include "app/message_search.h"
#include "app/read_marks.h"
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
    m_query.clear();
    m_sortColumn = -1;
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
    // What the index knows of the day, by file name: the day's directory
    // holds each name once.
    std::vector<IndexedMessage> indexed;
    if (m_index != nullptr && !files.empty()) {
        indexed = m_index->KnownRowsOfDay(day);
        std::erase_if(indexed, [&](const IndexedMessage& row) {
            return NameOf(row.path.parent_path()) != day;
        });
    }
    const std::set<std::string> unread = files.empty() ? std::set<std::string>() : UnreadKeys();
    for (const auto& [name, path] : files) {
        if (const auto header = StoredMessageName::Listed(name, day)) {
            // Named apart: clang 14 cannot capture a structured binding.
            const std::filesystem::path leaf = path.filename();
            const auto known = std::find_if(indexed.begin(), indexed.end(), [&](const auto& row) {
                return row.path.filename() == leaf;
            });
            const std::filesystem::path file = m_root / PathOf(day) / leaf;
            AddRow(*header, file, known == indexed.end() ? nullptr : &*known,
                   unread.count(m_index != nullptr ? m_index->Key(file) : std::string()) != 0);
        }
    }
    Filter();
}

std::set<std::string> CExplorerModel::UnreadKeys() const {
    return m_marks != nullptr && m_index != nullptr ? m_marks->UnreadKeys()
                                                    : std::set<std::string>();
}

void CExplorerModel::AddRow(const MessageHeader& header, const std::filesystem::path& path,
                            const IndexedMessage* indexed, bool unread) {
    ExplorerRow row;
    row.header = header;
    row.path = path;
    row.id = m_nextId++;
    if (indexed != nullptr) {
        row.repeat = indexed->repeat;
        row.receivedHz = indexed->frequencyHz;
    }
    row.received = CStationTable::KilohertzText(row.receivedHz);
    row.when = header.time;
    row.unread = unread;
    Label(row);
    m_all.push_back(std::move(row));
}

void CExplorerModel::Label(ExplorerRow& row) const {
    const StationName name =
        row.header.b1.size() == 1
            ? CStationTable::Lookup(
                  CStationTable::NamingNavArea(m_navArea, ModeOfSerial(row.header.number)),
                  row.header.b1[0], row.receivedHz)
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
    return Searching() || ((row.selected || m_showAll) && !(row.repeat && m_hideRepeats));
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
            return row.when;
        case kCategory:
            return SubjectTable::Category(row.header.b2.empty() ? u'\0' : row.header.b2[0]);
        case kFrequency:
            return row.received;
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
    const auto before = [column](const ExplorerRow& a, const ExplorerRow& b) {
        if (column == kFrequency) {
            return a.receivedHz < b.receivedHz;
        }
        return ColumnText(a, column) < ColumnText(b, column);
    };
    std::stable_sort(m_all.begin(), m_all.end(), [&](const ExplorerRow& a, const ExplorerRow& b) {
        return descending ? before(b, a) : before(a, b);
    });
    m_descending[static_cast<size_t>(column)] = !descending;
    m_sortColumn = column;
    m_sortDescending = descending;
    Filter();
}

CExplorerModel::Added CExplorerModel::AddStoredMessage(const MessageHeader& header,
                                                       const std::filesystem::path& path) {
    Added added;
    auto day = std::find(m_days.begin(), m_days.end(), header.date);
    if (day == m_days.end()) {
        m_days.push_back(header.date);
        day = m_days.end() - 1;
        added.day = true;
    }
    if (m_selected == kNoDay && !Searching()) {
        // The file is written: reading the day lists it.
        SelectDay(static_cast<int32_t>(day - m_days.begin()));
        added.selected = true;
        return added;
    }
    if (!Searching() && m_selected != kNoDay &&
        m_days[static_cast<size_t>(m_selected)] == header.date) {
        // The store tells the index first.
        const std::optional<IndexedMessage> known =
            m_index != nullptr ? m_index->Known(path) : std::nullopt;
        AddRow(header, path, known ? &*known : nullptr,
               m_marks != nullptr && m_marks->IsUnread(path));
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
    if (chosen.unread) {
        if (m_marks != nullptr) {
            m_marks->MarkRead(path);
        }
        for (std::vector<ExplorerRow>* rows : {&m_all, &m_rows}) {
            for (ExplorerRow& each : *rows) {
                if (each.id == m_chosen) {
                    each.unread = false;
                }
            }
        }
    }
    return true;
}

CExplorerModel::SearchResult CExplorerModel::Search(std::u16string_view query) {
    if (CMessageSearch::MatchExpression(query).empty()) {
        ClearSearch();
        return SearchResult::Listed;
    }
    if (m_index == nullptr || m_search == nullptr) {
        return SearchResult::Unavailable;
    }
    if (m_index->Filling()) {
        return SearchResult::Building;
    }
    if (!m_searchInStep || m_searchFillings != m_index->Fillings()) {
        m_searchFillings = m_index->Fillings();
        m_searchInStep = m_search->Sync();
    }
    const std::vector<SearchHit> hits = m_search->Search(query);
    ClearRows();
    m_query = query;
    m_sortColumn = -1;
    const std::set<std::string> unread = UnreadKeys();
    for (const SearchHit& hit : hits) {
        if (const auto header = StoredMessageName::Listed(NameOf(hit.path), hit.day)) {
            IndexedMessage known;
            known.frequencyHz = hit.frequencyHz;
            AddRow(*header, hit.path, &known, unread.count(m_index->Key(hit.path)) != 0);
            ExplorerRow& row = m_all.back();
            row.when = header->date + u' ' + header->time;
            row.snippet = hit.snippet;
        }
    }
    Filter();
    return SearchResult::Listed;
}

void CExplorerModel::ClearSearch() {
    if (Searching()) {
        // Days stored during the search may be the first.
        SelectDay(m_selected != kNoDay ? m_selected : static_cast<int32_t>(m_days.size()) - 1);
    }
}

std::vector<std::filesystem::path> CExplorerModel::Paths(const std::vector<int32_t>& rows) const {
    std::vector<std::filesystem::path> paths;
    for (const int32_t row : rows) {
        if (row >= 0 && row < static_cast<int32_t>(m_rows.size())) {
            paths.push_back(m_rows[static_cast<size_t>(row)].path);
        }
    }
    return paths;
}

std::vector<IndexedMessage> CExplorerModel::Indexed(const std::vector<int32_t>& rows) const {
    std::vector<IndexedMessage> indexed;
    for (const int32_t row : rows) {
        if (row < 0 || row >= static_cast<int32_t>(m_rows.size())) {
            continue;
        }
        const ExplorerRow& shown = m_rows[static_cast<size_t>(row)];
        std::optional<IndexedMessage> known =
            m_index != nullptr ? m_index->Find(shown.path) : std::nullopt;
        if (!known) {
            known.emplace();
            known->path = shown.path;
            known->b1 = shown.header.b1;
            known->b2 = shown.header.b2;
            known->number = shown.header.number;
            known->identity = known->b1 + known->b2 + known->number;
            ParseLocalTime(ToUtf8(shown.header.date + u' ' + shown.header.time), known->frameTime);
            known->repeat = shown.repeat;
            known->selected = shown.selected;
        }
        indexed.push_back(std::move(*known));
    }
    return indexed;
}

std::vector<RemovalFailure> CExplorerModel::Remove(const std::vector<int32_t>& rows) {
    const std::vector<std::filesystem::path> paths = Paths(rows);
    if (m_index == nullptr) {
        std::vector<RemovalFailure> failures;
        for (const std::filesystem::path& path : paths) {
            failures.push_back({path, std::make_error_code(std::errc::operation_not_supported)});
        }
        return failures;
    }
    std::vector<RemovalFailure> failures = RemoveStoredMessages(*m_index, paths);
    // The list anew, sorted as it was.
    const int32_t column = m_sortColumn;
    const bool descending = m_sortDescending;
    if (Searching()) {
        Search(std::u16string(m_query));
    } else {
        SelectDay(m_selected);
    }
    if (column >= 0) {
        m_descending[static_cast<size_t>(column)] = descending;
        Sort(column);
    }
    return failures;
}

}  // namespace wavelore
