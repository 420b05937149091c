#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_record.h"
#include "app/message_selection.h"

namespace wavelore {

class CMessageIndex;

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
    bool repeat = false;   // as the message index marked it
    bool selected = true;  // its station and subject are in the selection
};

// What the Message Explorer shows: the day directories under the log root
// and the stored messages of the selected day, read from the names of the
// files only (a message file is never opened here).
//
// With the message index, the list knows which messages are repeats; with
// a NAVAREA, the station column names the station. The list shows the
// selected messages, less the repeats while they are hidden; "show all"
// adds the messages outside the selection.
class CExplorerModel {
  public:
    enum Column : int32_t { kMessage = 0, kStation, kType, kTime, kCategory, kColumns };
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

    // Where repeats are looked up (null: none is); must outlive the model.
    // Takes effect when a day is next read.
    void SetIndex(CMessageIndex* index) { m_index = index; }
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

    // Sorts the whole list (the rows hidden too) by one column's text with an ordinal comparison:
    // ascending the first time, then the opposite of that column's last sort.
    void Sort(int32_t column);

    struct Added {
        bool day = false;  // the date was new and went last in the tree
        bool row = false;  // the message joined the visible list
    };
    // A message the assembler has just stored. A new date is added to the
    // tree but not selected; the row is added only when its date is the
    // selected day.
    Added AddStoredMessage(const MessageHeader& header, const std::filesystem::path& path);

    // A click on a row: true, with the row's path, unless it is the row the
    // previous click chose (or there is no such row).
    bool Choose(int32_t row, std::filesystem::path& path);

  private:
    void AddRow(const MessageHeader& header, const std::filesystem::path& path, bool repeat);
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
    int32_t m_navArea = 0;
    CMessageSelection m_selection;
    bool m_hideRepeats = true;
    bool m_showAll = false;
    std::array<bool, kColumns> m_descending{};
    uint64_t m_nextId = 1;
    uint64_t m_chosen = 0;  // id of the row the previous click chose
};

}  // namespace wavelore
