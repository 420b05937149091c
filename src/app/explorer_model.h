#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_index.h"
#include "app/message_record.h"
#include "app/message_removal.h"
#include "app/message_selection.h"

namespace wavelore {

class CMessageSearch;
class CReadMarks;

// One stored message in the explorer's list.
struct ExplorerRow {
    MessageHeader header;
    std::filesystem::path path;
    // Tells rows apart across sorting, so that choosing the same row twice
    // is recognised; every row added gets a new one.
    uint64_t id = 0;
    // B1 with the station's name in the NAVAREA ("E Niton"), and the
    // frequency that station sends on (0: unknown).
    std::u16string station;
    int32_t frequencyHz = 0;
    // The channel it was received on, as the index has it (0: unknown), and
    // that in kHz for the list ("518", "4209.5"; empty when unknown).
    int32_t receivedHz = 0;
    std::u16string received;
    // The time column: the time, with the date before it in search hits,
    // which come from many days.
    std::u16string when;
    // A search hit's words around the match.
    std::u16string snippet;
    bool repeat = false;   // as the message index marked it
    bool selected = true;  // its station and subject are in the selection
    bool unread = false;   // stored since and not opened yet
};

// What the Message Explorer shows: the day directories under the log root
// and the stored messages of the selected day, read from the names of the
// files only (a message file is never opened here).
//
// With the message index, the list knows which messages are repeats; with
// a NAVAREA, the station column names the station. The list shows the
// selected messages, less the repeats while they are hidden; "show all"
// adds the messages outside the selection. With the search, the list shows
// the hits of a search across all days instead, until the search is
// cleared; with the read marks, it knows which messages are unread.
class CExplorerModel {
  public:
    enum Column : int32_t { kMessage = 0, kStation, kType, kTime, kCategory, kFrequency, kColumns };
    // List images: the important subjects (A to D) and every other one.
    static constexpr int32_t kImageImportant = 3;
    static constexpr int32_t kImageOrdinary = 1;
    static constexpr int32_t kNoDay = -1;

    CExplorerModel() = default;
    CExplorerModel(const CExplorerModel&) = delete;
    CExplorerModel& operator=(const CExplorerModel&) = delete;

    // Forgets every day and row and scans root for day directories (names of
    // exactly 10 characters, in name order, which is the order the log tree
    // is written in), then selects the last day added, which fills the list.
    // An unreadable or missing root leaves the explorer empty.
    void SetLogRoot(const std::filesystem::path& root);
    // Forgets every day and row (the root stays).
    void Clear();

    const std::vector<std::u16string>& Days() const { return m_days; }
    int32_t SelectedDay() const { return m_selected; }
    // Selects a day and reads its message files into the list; kNoDay or an
    // index out of range empties the list.
    void SelectDay(int32_t index);

    // The rows shown, in list order.
    const std::vector<ExplorerRow>& Rows() const { return m_rows; }

    // Where repeats and frequencies are looked up (null: none is), and
    // messages deleted; must outlive the model. Takes effect when a day is
    // next read.
    void SetIndex(CMessageIndex* index) { m_index = index; }
    // The full-text search and the unread marks beside that index (null:
    // none); must outlive the model.
    void SetSearch(CMessageSearch* search) { m_search = search; }
    void SetReadMarks(CReadMarks* marks) { m_marks = marks; }
    // 0 (the start): the station column shows B1 alone.
    void SetNavArea(int32_t navArea);
    void SetSelection(const CMessageSelection& selection);
    void SetHideRepeats(bool hide);
    void SetShowAll(bool all);
    bool HideRepeats() const { return m_hideRepeats; }
    bool ShowAll() const { return m_showAll; }
    // The text of a row's column; the category in its English form.
    static std::u16string_view ColumnText(const ExplorerRow& row, int32_t column);
    static int32_t Image(const ExplorerRow& row);

    // Sorts the whole list (the rows hidden too) by one column's text with an ordinal comparison
    // (the frequency by its value, unknown first): ascending the first
    // time, then the opposite of that column's last sort.
    void Sort(int32_t column);
    // The column of the last sort (-1: none since the list was read) and
    // its direction, for the header's indicator.
    int32_t SortColumn() const { return m_sortColumn; }
    bool SortedDescending() const { return m_sortDescending; }

    enum class SearchResult {
        Listed,       // the hits are the rows (maybe none)
        Building,     // the index is being made from the files: try later
        Unavailable,  // no index or search to ask
    };
    // Lists the stored messages holding every word of query, newest first
    // from every day, each with the date in its time column; the filters
    // (selection, repeats) do not apply to hits. A query without words
    // clears the search.
    SearchResult Search(std::u16string_view query);
    bool Searching() const { return !m_query.empty(); }
    // Back to the selected day's list (the newest day's when none was).
    void ClearSearch();

    struct Added {
        bool day = false;  // the date was new and went last in the tree
        bool row = false;  // the message joined the visible list
        // No day was selected: the message's day now is, its rows listed.
        bool selected = false;
    };
    // A message the assembler has just stored. A new date is added to the
    // tree but not selected, unless no day is (the first message of a new
    // log tree is seen at once); the row is added only when its date is
    // the selected day and no search is shown.
    Added AddStoredMessage(const MessageHeader& header, const std::filesystem::path& path);

    // A click on a row: true, with the row's path, unless it is the row the
    // previous click chose (or there is no such row). The row is read from
    // then on.
    bool Choose(int32_t row, std::filesystem::path& path);

    // The files of rows (indexes into Rows(); others are left out).
    std::vector<std::filesystem::path> Paths(const std::vector<int32_t>& rows) const;
    // The index's rows of those messages, for export; a message the index
    // lacks is described by its file name alone.
    std::vector<IndexedMessage> Indexed(const std::vector<int32_t>& rows) const;
    // Deletes the messages of rows, files and index rows together
    // (RemoveStoredMessages), and reads the list again. Those that could not
    // be deleted; without an index nothing is deleted and all are.
    std::vector<RemovalFailure> Remove(const std::vector<int32_t>& rows);

  private:
    // A row with what the index knows of it (null: nothing).
    void AddRow(const MessageHeader& header, const std::filesystem::path& path,
                const IndexedMessage* indexed, bool unread);
    // The index keys of the unread messages (CReadMarks::UnreadKeys).
    std::set<std::string> UnreadKeys() const;
    void ClearRows();
    void Label(ExplorerRow& row) const;
    bool Shown(const ExplorerRow& row) const;
    // The shown rows anew from every row.
    void Filter();

    std::filesystem::path m_root;
    std::vector<std::u16string> m_days;
    int32_t m_selected = kNoDay;
    std::vector<ExplorerRow> m_all;   // every row of the day, in list order
    std::vector<ExplorerRow> m_rows;  // those shown
    CMessageIndex* m_index = nullptr;
    CMessageSearch* m_search = nullptr;
    CReadMarks* m_marks = nullptr;
    std::u16string m_query;  // the search shown; empty: the day's list
    // The search was brought in step with the index after its last filling
    // (CMessageIndex::Fillings); from then on every stored message joins it
    // as it is stored.
    bool m_searchInStep = false;
    uint32_t m_searchFillings = 0;
    int32_t m_navArea = 0;
    CMessageSelection m_selection;
    bool m_hideRepeats = true;
    bool m_showAll = false;
    std::array<bool, kColumns> m_descending{};
    int32_t m_sortColumn = -1;
    bool m_sortDescending = false;
    uint64_t m_nextId = 1;
    uint64_t m_chosen = 0;  // id of the row the previous click chose
};

}  // namespace wavelore
