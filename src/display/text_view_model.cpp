#include "display/text_view_model.h"

#include <algorithm>

#include "common/char_class.h"

namespace wavelore {

namespace {

bool IsWordCharacter(char16_t c) {
    return IsAlpha(c) || IsDigit(c);
}

// Adds one character of incoming text to `out`, whose current line has
// reached cell `column`; returns the cell after it. Line feeds are the
// callers' business.
int32_t AddFiltered(std::u16string& out, char16_t c, int32_t column) {
    if (c == u'\t') {
        const int32_t spaces = CTextViewModel::kTabWidth - column % CTextViewModel::kTabWidth;
        out.append(static_cast<size_t>(spaces), u' ');
        return column + spaces;
    }
    // Every character our classes give a type (letters, digits, spaces other
    // than the control characters) is printable, so printability decides.
    if (!IsPrint(c)) {
        return column;
    }
    out.push_back(c);
    return column + CTextViewModel::CharacterCells(c);
}

}  // namespace

CTextViewModel::CTextViewModel() : m_lines(1) {}

void CTextViewModel::SetText(std::u16string_view text) {
    m_lines.assign(1, std::u16string());
    for (char16_t c : text) {
        if (c == u'\n') {
            m_lines.emplace_back();
        } else {
            AddCharacter(m_lines.back(), c);
        }
    }
    m_caret = m_anchor = TextPosition{};
    m_firstLine = m_firstColumn = 0;
    m_undo.clear();
    m_redo.clear();
    UpdateLongest();
}

CTextViewModel::AppendResult CTextViewModel::AppendText(std::u16string_view text) {
    const int32_t oldFirst = m_firstLine;
    const bool atEnd = m_firstLine >= MaxFirstVisibleLine() - 2;
    int32_t firstChanged = LineCount() - 1;
    bool lineFeed = false;
    for (char16_t c : text) {
        if (c == u'\r') {
            continue;
        }
        if (c == u'\n') {
            m_longest = std::max(m_longest, LineCells(m_lines.back()));
            m_lines.emplace_back();
            lineFeed = true;
        } else {
            AddCharacter(m_lines.back(), c);
        }
    }
    m_longest = std::max(m_longest, LineCells(m_lines.back()));

    int32_t removed = 0;
    while (LineCount() > kMaxLines) {
        m_lines.pop_front();
        ++removed;
    }
    if (removed > 0) {
        const auto moveUp = [removed](TextPosition& p) {
            p = p.line >= removed ? TextPosition{p.column, p.line - removed} : TextPosition{};
        };
        moveUp(m_caret);
        moveUp(m_anchor);
        m_firstLine = std::max(0, m_firstLine - removed);
        firstChanged = std::max(0, firstChanged - removed);
        // The records name lines by number, and those numbers just moved.
        m_undo.clear();
        m_redo.clear();
    }
    if (lineFeed && atEnd) {
        m_firstLine = MaxFirstVisibleLine();
    }
    return {m_firstLine + removed - oldFirst, firstChanged};
}

std::u16string CTextViewModel::Text() const {
    return Range({}, LineEnd(LineCount() - 1), u"\n");
}

std::pair<TextPosition, TextPosition> CTextViewModel::Selection() const {
    return std::minmax(m_caret, m_anchor);
}

std::pair<int32_t, int32_t> CTextViewModel::SelectedColumns(int32_t line) const {
    const auto [start, end] = Selection();
    if (!HasSelection() || line < start.line || line > end.line) {
        return {0, 0};
    }
    return {line == start.line ? start.column : 0,
            line == end.line ? end.column : LineLength(line)};
}

std::u16string CTextViewModel::SelectedText() const {
    const auto [start, end] = Selection();
    return Range(start, end, u"\r\n");
}

void CTextViewModel::MoveCaret(Move move, bool extend) {
    const TextPosition c = m_caret;
    const int32_t page = m_visibleLines;
    const int32_t last = LineCount() - 1;
    TextPosition to = c;
    switch (move) {
        case Move::Left:
            to = Before(c);
            break;
        case Move::Right:
            to = After(c);
            break;
        case Move::Up:
            to = Clamp({c.column, std::max(0, c.line - 1)});
            break;
        case Move::Down:
            to = Clamp({c.column, std::min(last, c.line + 1)});
            break;
        case Move::WordLeft:
            to = WordLeftOf(c);
            break;
        case Move::WordRight:
            to = WordRightOf(c);
            break;
        case Move::Home:
            to = {0, c.line};
            break;
        case Move::End:
            to = LineEnd(c.line);
            break;
        case Move::TextStart:
            to = {};
            break;
        case Move::TextEnd:
            to = LineEnd(last);
            break;
        case Move::PageUp:
            to = Clamp({c.column, std::max(0, c.line - page)});
            break;
        case Move::PageDown:
            to = Clamp({c.column, std::min(last, c.line + page)});
            break;
    }
    PlaceCaret(to, extend);
}

void CTextViewModel::SetCaret(TextPosition position, bool extend) {
    PlaceCaret(Clamp(position), extend);
}

void CTextViewModel::SelectAll() {
    m_anchor = {};
    m_caret = LineEnd(LineCount() - 1);
    BringCaretIntoView();
}

void CTextViewModel::SelectWordAt(TextPosition position) {
    const TextPosition p = Clamp(position);
    const std::u16string& line = Line(p.line);
    if (line.empty()) {
        PlaceCaret(p, false);
        return;
    }
    const size_t at = std::min(static_cast<size_t>(p.column), line.size() - 1);
    const auto same = [&line, at](size_t i) {
        const char16_t a = line[at];
        const char16_t b = line[i];
        return (IsWordCharacter(a) && IsWordCharacter(b)) || (IsSpace(a) && IsSpace(b));
    };
    size_t start = at;
    size_t end = at + 1;
    while (start > 0 && same(start - 1)) {
        --start;
    }
    while (end < line.size() && same(end)) {
        ++end;
    }
    m_anchor = {static_cast<int32_t>(start), p.line};
    m_caret = {static_cast<int32_t>(end), p.line};
    BringCaretIntoView();
}

TextPosition CTextViewModel::PositionAtCell(int32_t row, int32_t cell) const {
    const int32_t line = std::clamp(m_firstLine + row, 0, LineCount() - 1);
    return {ColumnAtCell(line, m_firstColumn + cell), line};
}

int32_t CTextViewModel::CharacterCells(char16_t c) {
    // The wide and fullwidth ranges of the Basic Multilingual Plane.
    struct Range {
        char16_t first;
        char16_t last;
    };
    static constexpr Range kWide[] = {
        {0x1100, 0x115F}, {0x2329, 0x232A}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF},
        {0x4E00, 0x9FFF}, {0xA000, 0xA4CF}, {0xA960, 0xA97F}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
        {0xFE10, 0xFE19}, {0xFE30, 0xFE6F}, {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6},
    };
    if (c < kWide[0].first) {
        return 1;
    }
    for (const Range& range : kWide) {
        if (c >= range.first && c <= range.last) {
            return 2;
        }
    }
    return 1;
}

int32_t CTextViewModel::LineCells(std::u16string_view line) {
    int32_t cells = 0;
    for (char16_t c : line) {
        cells += CharacterCells(c);
    }
    return cells;
}

int32_t CTextViewModel::CellOf(TextPosition position) const {
    const TextPosition p = Clamp(position);
    return LineCells(std::u16string_view(Line(p.line)).substr(0, static_cast<size_t>(p.column)));
}

int32_t CTextViewModel::ColumnAtCell(int32_t line, int32_t cell) const {
    const std::u16string& text = Line(std::clamp(line, 0, LineCount() - 1));
    int32_t reached = 0;
    for (size_t column = 0; column < text.size(); ++column) {
        reached += CharacterCells(text[column]);
        if (reached > cell) {
            return static_cast<int32_t>(column);
        }
    }
    return static_cast<int32_t>(text.size());
}

bool CTextViewModel::InsertText(std::u16string_view text) {
    if (m_readOnly) {
        return false;
    }
    const auto [start, end] = Selection();
    const std::u16string prepared = Prepare(text, CellOf(start));
    if (prepared.empty() && !HasSelection()) {
        return false;
    }
    Edit(start, end, prepared);
    return true;
}

bool CTextViewModel::Backspace() {
    return DeleteSelectionOr(Before(m_caret), m_caret);
}

bool CTextViewModel::Delete() {
    return DeleteSelectionOr(m_caret, After(m_caret));
}

bool CTextViewModel::DeleteSelectionOr(TextPosition from, TextPosition to) {
    if (m_readOnly) {
        return false;
    }
    const auto [start, end] = HasSelection() ? Selection() : std::pair{from, to};
    if (start == end) {
        return false;
    }
    Edit(start, end, {});
    return true;
}

bool CTextViewModel::Cut(std::u16string& text) {
    if (m_readOnly || !HasSelection()) {
        return false;
    }
    text = SelectedText();
    const auto [start, end] = Selection();
    Edit(start, end, {});
    return true;
}

bool CTextViewModel::Undo() {
    if (m_undo.empty()) {
        return false;
    }
    EditRecord record = std::move(m_undo.back());
    m_undo.pop_back();
    Remove(record.at, EndOf(record.at, record.inserted));
    Insert(record.at, record.removed);
    m_caret = record.caretBefore;
    m_anchor = record.anchorBefore;
    m_redo.push_back(std::move(record));
    UpdateLongest();
    BringCaretIntoView();
    return true;
}

bool CTextViewModel::Redo() {
    if (m_redo.empty()) {
        return false;
    }
    EditRecord record = std::move(m_redo.back());
    m_redo.pop_back();
    Remove(record.at, EndOf(record.at, record.removed));
    Insert(record.at, record.inserted);
    m_caret = m_anchor = record.caretAfter;
    m_undo.push_back(std::move(record));
    UpdateLongest();
    BringCaretIntoView();
    return true;
}

void CTextViewModel::SetViewSize(int32_t visibleLines, int32_t visibleColumns) {
    m_visibleLines = std::max(1, visibleLines);
    m_visibleColumns = std::max(1, visibleColumns);
    ScrollToLine(m_firstLine);
    ScrollToColumn(m_firstColumn);
}

int32_t CTextViewModel::MaxFirstVisibleLine() const {
    return std::max(0, LineCount() - m_visibleLines);
}

int32_t CTextViewModel::MaxFirstVisibleColumn() const {
    // Far enough for the end of the longest line to show, and for where
    // bringing a caret at that end into view puts the first column.
    const int32_t v = m_visibleColumns;
    return std::max(0, m_longest + std::max(1, v / 4) - v);
}

void CTextViewModel::ScrollToLine(int32_t line) {
    m_firstLine = std::clamp(line, 0, MaxFirstVisibleLine());
}

void CTextViewModel::ScrollToColumn(int32_t column) {
    m_firstColumn = std::clamp(column, 0, MaxFirstVisibleColumn());
}

bool CTextViewModel::VisibleLinesHoldWideCharacter() const {
    const int32_t end = std::min(LineCount(), m_firstLine + m_visibleLines + 1);
    for (int32_t line = m_firstLine; line < end; ++line) {
        const std::u16string& text = Line(line);
        if (std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0x00FF; })) {
            return true;
        }
    }
    return false;
}

void CTextViewModel::AddCharacter(std::u16string& line, char16_t c) {
    // Only a tab needs the cell reached; counting it for every character
    // would cost a long line's length each time.
    AddFiltered(line, c, c == u'\t' ? LineCells(line) : 0);
}

std::u16string CTextViewModel::Prepare(std::u16string_view text, int32_t column) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\n') {
            out.push_back(c);
            column = 0;
        } else {
            column = AddFiltered(out, c, column);
        }
    }
    return out;
}

TextPosition CTextViewModel::EndOf(TextPosition at, std::u16string_view text) {
    const size_t lastBreak = text.rfind(u'\n');
    if (lastBreak == std::u16string_view::npos) {
        return {at.column + static_cast<int32_t>(text.size()), at.line};
    }
    const auto breaks = std::count(text.begin(), text.end(), u'\n');
    return {static_cast<int32_t>(text.size() - lastBreak - 1),
            at.line + static_cast<int32_t>(breaks)};
}

TextPosition CTextViewModel::Clamp(TextPosition position) const {
    const int32_t line = std::clamp(position.line, 0, LineCount() - 1);
    return {std::clamp(position.column, 0, LineLength(line)), line};
}

TextPosition CTextViewModel::Before(TextPosition p) const {
    if (p.column > 0) {
        return {p.column - 1, p.line};
    }
    return p.line > 0 ? LineEnd(p.line - 1) : p;
}

TextPosition CTextViewModel::After(TextPosition p) const {
    if (p.column < LineLength(p.line)) {
        return {p.column + 1, p.line};
    }
    return p.line < LineCount() - 1 ? TextPosition{0, p.line + 1} : p;
}

TextPosition CTextViewModel::WordLeftOf(TextPosition p) const {
    if (p.column == 0) {
        return Before(p);
    }
    const std::u16string& line = Line(p.line);
    int32_t column = p.column;
    while (column > 0 && IsSpace(line[static_cast<size_t>(column - 1)])) {
        --column;
    }
    while (column > 0 && IsWordCharacter(line[static_cast<size_t>(column - 1)])) {
        --column;
    }
    // Punctuation is a word of its own, one character long.
    return {column == p.column ? column - 1 : column, p.line};
}

TextPosition CTextViewModel::WordRightOf(TextPosition p) const {
    const std::u16string& line = Line(p.line);
    const int32_t length = LineLength(p.line);
    if (p.column >= length) {
        return After(p);
    }
    int32_t column = p.column;
    while (column < length && IsSpace(line[static_cast<size_t>(column)])) {
        ++column;
    }
    while (column < length && IsWordCharacter(line[static_cast<size_t>(column)])) {
        ++column;
    }
    return {column == p.column ? column + 1 : column, p.line};
}

void CTextViewModel::PlaceCaret(TextPosition position, bool extend) {
    m_caret = position;
    if (!extend) {
        m_anchor = m_caret;
    }
    BringCaretIntoView();
}

void CTextViewModel::BringCaretIntoView() {
    if (m_caret.line >= m_firstLine + m_visibleLines) {
        m_firstLine = m_caret.line - m_visibleLines + 1;
    } else if (m_caret.line < m_firstLine) {
        m_firstLine = m_caret.line;
    }
    const int32_t v = m_visibleColumns;
    const int32_t cell = CellOf(m_caret);
    if (cell >= m_firstColumn + v) {
        m_firstColumn = cell + v / 4 - v;
    } else if (cell < m_firstColumn) {
        m_firstColumn = std::max(0, cell - v / 4);
    }
}

std::u16string CTextViewModel::Range(TextPosition from, TextPosition to,
                                     std::u16string_view lineBreak) const {
    if (from.line == to.line) {
        return Line(from.line).substr(static_cast<size_t>(from.column),
                                      static_cast<size_t>(to.column - from.column));
    }
    std::u16string text = Line(from.line).substr(static_cast<size_t>(from.column));
    for (int32_t line = from.line + 1; line < to.line; ++line) {
        text += lineBreak;
        text += Line(line);
    }
    text += lineBreak;
    text += std::u16string_view(Line(to.line)).substr(0, static_cast<size_t>(to.column));
    return text;
}

std::u16string CTextViewModel::Remove(TextPosition from, TextPosition to) {
    std::u16string removed = Range(from, to, u"\n");
    std::u16string& first = m_lines[static_cast<size_t>(from.line)];
    const std::u16string tail = Line(to.line).substr(static_cast<size_t>(to.column));
    first.resize(static_cast<size_t>(from.column));
    first += tail;
    m_lines.erase(m_lines.begin() + from.line + 1, m_lines.begin() + to.line + 1);
    return removed;
}

TextPosition CTextViewModel::Insert(TextPosition at, std::u16string_view prepared) {
    std::u16string& first = m_lines[static_cast<size_t>(at.line)];
    const std::u16string tail = first.substr(static_cast<size_t>(at.column));
    first.resize(static_cast<size_t>(at.column));
    std::vector<std::u16string> added;
    size_t start = 0;
    for (size_t end; (end = prepared.find(u'\n', start)) != std::u16string_view::npos;
         start = end + 1) {
        (added.empty() ? first : added.back()) += prepared.substr(start, end - start);
        added.emplace_back();
    }
    std::u16string& last = added.empty() ? first : added.back();
    last += prepared.substr(start);
    const TextPosition end{static_cast<int32_t>(last.size()),
                           at.line + static_cast<int32_t>(added.size())};
    last += tail;
    // Not with an empty range: libstdc++'s deque then empties the lines
    // after the insertion point.
    if (!added.empty()) {
        m_lines.insert(m_lines.begin() + at.line + 1, std::make_move_iterator(added.begin()),
                       std::make_move_iterator(added.end()));
    }
    return end;
}

void CTextViewModel::Edit(TextPosition from, TextPosition to, std::u16string_view prepared) {
    EditRecord record{from, {}, std::u16string(prepared), m_caret, m_anchor, {}};
    record.removed = Remove(from, to);
    m_caret = m_anchor = record.caretAfter = Insert(from, prepared);
    m_undo.push_back(std::move(record));
    m_redo.clear();
    UpdateLongest();
    BringCaretIntoView();
}

void CTextViewModel::UpdateLongest() {
    m_longest = 0;
    for (const std::u16string& line : m_lines) {
        m_longest = std::max(m_longest, LineCells(line));
    }
}

}  // namespace wavelore
