#pragma once

#include <compare>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wavelore {

// A place in the text: a column (UTF-16 code unit) in a line. On screen a
// character takes one cell, or two when it is East Asian wide.
struct TextPosition {
    int32_t column = 0;
    int32_t line = 0;

    friend bool operator==(const TextPosition&, const TextPosition&) = default;
    friend std::strong_ordering operator<=>(const TextPosition& a, const TextPosition& b) {
        if (auto order = a.line <=> b.line; order != 0) {
            return order;
        }
        return a.column <=> b.column;
    }
};

// What the text view shows and does, without the painting: the lines, the
// caret and the anchor of the selection, the scroll position in lines and
// cells, and the edits with their undo and redo records. The widget tells it
// how many lines and cells fit and paints what it holds.
//
// Text enters through one filter: a line feed starts a new line, a tab
// becomes spaces up to the next tab stop counted from the column reached,
// and of the rest only printable characters are kept (carriage returns and
// the other control characters are dropped).
class CTextViewModel {
  public:
    // The view keeps the newest lines of a long reception, and no more.
    static constexpr int32_t kMaxLines = 1024;
    static constexpr int32_t kTabWidth = 8;

    // Caret movements of the keyboard. WordLeft/WordRight are Ctrl with an
    // arrow, TextStart/TextEnd Ctrl with Home/End.
    enum class Move {
        Left,
        Right,
        Up,
        Down,
        WordLeft,
        WordRight,
        Home,
        End,
        TextStart,
        TextEnd,
        PageUp,
        PageDown,
    };

    // How an append changed the screen: the text on it moved up by
    // scrolledLines rows (the view followed the end, or the oldest lines
    // went from under it), and the lines from firstChangedLine on changed.
    struct AppendResult {
        int32_t scrolledLines = 0;
        int32_t firstChangedLine = 0;
    };

    CTextViewModel();
    CTextViewModel(const CTextViewModel&) = delete;
    CTextViewModel& operator=(const CTextViewModel&) = delete;

    // Replaces the whole content; caret, anchor and scroll position go to
    // the start and the undo and redo stacks are emptied.
    void SetText(std::u16string_view text);
    // Adds decoded text at the end. Touches only the last line and the
    // oldest lines it pushes out; follows the end only when a line feed
    // came and the view was within 2 lines of the bottom.
    AppendResult AppendText(std::u16string_view text);

    int32_t LineCount() const { return static_cast<int32_t>(m_lines.size()); }
    const std::u16string& Line(int32_t line) const { return m_lines[static_cast<size_t>(line)]; }
    int32_t LineLength(int32_t line) const { return static_cast<int32_t>(Line(line).size()); }
    // The whole text, lines joined by line feeds.
    std::u16string Text() const;

    // Caret and selection. The selection runs between anchor and caret.
    TextPosition Caret() const { return m_caret; }
    TextPosition Anchor() const { return m_anchor; }
    bool HasSelection() const { return m_caret != m_anchor; }
    // The selection's ends in text order.
    std::pair<TextPosition, TextPosition> Selection() const;
    // The selected columns [first, second) of a line; empty when none.
    std::pair<int32_t, int32_t> SelectedColumns(int32_t line) const;
    // The selection with lines joined by CR LF, as the clipboard takes it.
    std::u16string SelectedText() const;

    void MoveCaret(Move move, bool extend);
    // Places the caret at a position (clamped into the text): a click, or
    // a drag when extend is set.
    void SetCaret(TextPosition position, bool extend);
    void SelectAll();
    // The run of letters and digits (or of spaces, or the single other
    // character) at a position: a double click.
    void SelectWordAt(TextPosition position);
    // The text position of a cell on screen: row from the first visible
    // line, cell from the first visible column; clamped into the text.
    TextPosition PositionAtCell(int32_t row, int32_t cell) const;

    // 2 for the East Asian wide and fullwidth characters (kana, kanji,
    // fullwidth forms), 1 for the rest: a Japanese message keeps its ASCII
    // at the narrow pitch beside its wide characters.
    static int32_t CharacterCells(char16_t c);
    // The cells before a position in its line.
    int32_t CellOf(TextPosition position) const;
    // The column of the character covering a cell of a line; the line's
    // length at and beyond its end, 0 before its start.
    int32_t ColumnAtCell(int32_t line, int32_t cell) const;

    // Editing. Each returns false and changes nothing when the view is
    // read-only or there is nothing to do; every change is one undo record.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Typed characters, a line break ("\n") or pasted text, through the
    // filter; replaces the selection.
    bool InsertText(std::u16string_view text);
    bool Backspace();
    bool Delete();
    // Removes the selection and hands back its text (CR LF between lines).
    bool Cut(std::u16string& text);
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    bool Undo();
    bool Redo();

    // The view: how many whole lines and cells fit (at least 1 each). The
    // horizontal scroll position, its range and the visible "columns" are
    // counted in cells.
    void SetViewSize(int32_t visibleLines, int32_t visibleColumns);
    int32_t VisibleLines() const { return m_visibleLines; }
    int32_t VisibleColumns() const { return m_visibleColumns; }
    int32_t FirstVisibleLine() const { return m_firstLine; }
    int32_t FirstVisibleColumn() const { return m_firstColumn; }
    int32_t MaxFirstVisibleLine() const;
    int32_t MaxFirstVisibleColumn() const;
    void ScrollToLine(int32_t line);
    void ScrollToColumn(int32_t column);
    // The wide font is wanted once a line on screen, the partly shown one
    // below the last whole line included, holds a character above U+00FF.
    bool VisibleLinesHoldWideCharacter() const;

  private:
    struct EditRecord {
        TextPosition at;
        std::u16string removed;   // lines joined by "\n"
        std::u16string inserted;  // filtered, tabs expanded, "\n" between lines
        TextPosition caretBefore;
        TextPosition anchorBefore;
        TextPosition caretAfter;
    };

    static void AddCharacter(std::u16string& line, char16_t c);
    // The filter and tab expansion of text to be inserted at `column`.
    static std::u16string Prepare(std::u16string_view text, int32_t column);
    static TextPosition EndOf(TextPosition at, std::u16string_view text);

    TextPosition Clamp(TextPosition position) const;
    TextPosition LineEnd(int32_t line) const { return {LineLength(line), line}; }
    TextPosition Before(TextPosition position) const;
    TextPosition After(TextPosition position) const;
    TextPosition WordLeftOf(TextPosition position) const;
    TextPosition WordRightOf(TextPosition position) const;
    void PlaceCaret(TextPosition position, bool extend);
    void BringCaretIntoView();

    std::u16string Range(TextPosition from, TextPosition to, std::u16string_view lineBreak) const;
    std::u16string Remove(TextPosition from, TextPosition to);
    TextPosition Insert(TextPosition at, std::u16string_view prepared);
    // Backspace and Delete: the selection if there is one, else [from, to).
    bool DeleteSelectionOr(TextPosition from, TextPosition to);
    // Replaces [from, to) by prepared text and records the edit.
    void Edit(TextPosition from, TextPosition to, std::u16string_view prepared);
    void UpdateLongest();
    static int32_t LineCells(std::u16string_view line);

    std::deque<std::u16string> m_lines;
    TextPosition m_caret;
    TextPosition m_anchor;
    int32_t m_firstLine = 0;
    int32_t m_firstColumn = 0;  // a cell
    int32_t m_visibleLines = 1;
    int32_t m_visibleColumns = 1;
    // The longest line (in cells) seen since the text was last set or edited: the
    // horizontal scroll range. Appends only raise it, so it may stay above
    // the true length after old lines go, which costs nothing but range.
    int32_t m_longest = 0;
    bool m_readOnly = false;
    std::vector<EditRecord> m_undo;
    std::vector<EditRecord> m_redo;
};

}  // namespace wavelore
