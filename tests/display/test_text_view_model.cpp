#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "display/text_view_model.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

using Move = CTextViewModel::Move;
using test::Narrow;

std::u16string Numbered(int32_t from, int32_t count) {
    std::u16string text;
    for (int32_t i = from; i < from + count; ++i) {
        text.push_back(u'L');
        for (char c : std::to_string(i)) {
            text.push_back(static_cast<char16_t>(c));
        }
        text.push_back(u'\n');
    }
    return text;
}

TEST(TextViewModel, AppendJoinsChunksAndIgnoresCarriageReturns) {
    CTextViewModel view;
    view.AppendText(u"AB\r\nCD");
    view.AppendText(u"E");
    ASSERT_EQ(view.LineCount(), 2);
    EXPECT_EQ(Narrow(view.Line(0)), "AB");
    EXPECT_EQ(Narrow(view.Line(1)), "CDE");
}

TEST(TextViewModel, TabsExpandFromTheColumnReachedAndControlsAreDropped) {
    CTextViewModel view;
    view.SetText(u"A\tB\x01\x7F\r\n\x0085\t\tZ");
    EXPECT_EQ(Narrow(view.Text()), "A       B\n                Z");
    // A tab in a later chunk counts from where the line already is.
    view.AppendText(u"\nabc");
    view.AppendText(u"\t|\x1B気象\x0007");
    EXPECT_EQ(view.Line(2), u"abc     |気象");
    EXPECT_EQ(view.Caret(), (TextPosition{0, 0}));
}

TEST(TextViewModel, TheOldestLinesGoAndPositionsMoveUpWithTheText) {
    CTextViewModel view;
    view.SetViewSize(10, 40);
    view.AppendText(Numbered(0, 1023));  // 1024 lines, the last empty
    ASSERT_EQ(view.LineCount(), CTextViewModel::kMaxLines);
    view.SetCaret({2, 10}, false);
    view.SetCaret({1, 0}, true);  // anchor on line 10, caret on line 0
    view.ScrollToLine(500);

    const auto result = view.AppendText(u"L1023\n");
    EXPECT_EQ(view.LineCount(), CTextViewModel::kMaxLines);
    EXPECT_EQ(Narrow(view.Line(0)), "L1");
    EXPECT_EQ(Narrow(view.Line(1022)), "L1023");
    EXPECT_EQ(view.Anchor(), (TextPosition{2, 9}));
    EXPECT_EQ(view.Caret(), (TextPosition{0, 0}));  // fell off the top
    // The user keeps looking at the same text, so nothing on screen moved.
    EXPECT_EQ(view.FirstVisibleLine(), 499);
    EXPECT_EQ(result.scrolledLines, 0);
    EXPECT_EQ(result.firstChangedLine, 1022);
}

TEST(TextViewModel, OnlyAViewAtTheEndFollowsNewLines) {
    CTextViewModel view;
    view.SetViewSize(10, 40);
    view.AppendText(Numbered(0, 50));  // 51 lines: the bottom is line 41
    ASSERT_EQ(view.FirstVisibleLine(), 41);

    view.ScrollToLine(39);  // two lines short of the end still counts
    EXPECT_EQ(view.AppendText(u"L50\n").scrolledLines, 3);
    EXPECT_EQ(view.FirstVisibleLine(), view.MaxFirstVisibleLine());
    EXPECT_EQ(view.FirstVisibleLine(), 42);

    view.ScrollToLine(39);  // three short: the user is reading
    EXPECT_EQ(view.AppendText(u"L51\nL52\n").scrolledLines, 0);
    EXPECT_EQ(view.FirstVisibleLine(), 39);

    // Text without a line feed never moves the view.
    view.ScrollToLine(view.MaxFirstVisibleLine() - 1);
    view.AppendText(u"more");
    EXPECT_EQ(view.FirstVisibleLine(), view.MaxFirstVisibleLine() - 1);
}

TEST(TextViewModel, SelectionsCopyTheSameTextInEitherDirection) {
    CTextViewModel view;
    view.SetText(u"one two\nthree\nfour five");
    view.SetCaret({4, 0}, false);
    view.MoveCaret(Move::Down, true);
    view.MoveCaret(Move::Down, true);
    const std::u16string forward = view.SelectedText();
    EXPECT_EQ(Narrow(forward), "two\r\nthree\r\nfour");

    view.SetCaret({4, 2}, false);
    view.MoveCaret(Move::Up, true);
    view.MoveCaret(Move::Up, true);
    EXPECT_EQ(view.SelectedText(), forward);
    EXPECT_EQ(view.SelectedColumns(1), (std::pair{0, 5}));

    view.MoveCaret(Move::Right, false);
    EXPECT_FALSE(view.HasSelection());
    view.SelectAll();
    EXPECT_EQ(Narrow(view.SelectedText()), "one two\r\nthree\r\nfour five");
}

TEST(TextViewModel, WordsEndWhereLettersAndDigitsStopAfterSpaces) {
    CTextViewModel view;
    view.SetText(u"NAV  TEX12, ok\nnext");
    std::vector<int32_t> stops;
    for (int i = 0; i < 5; ++i) {
        view.MoveCaret(Move::WordRight, false);
        stops.push_back(view.Caret().column);
    }
    EXPECT_EQ(stops, (std::vector<int32_t>{3, 10, 11, 14, 0}));
    EXPECT_EQ(view.Caret().line, 1);

    view.MoveCaret(Move::WordLeft, false);
    EXPECT_EQ(view.Caret(), (TextPosition{14, 0}));
    stops.clear();
    for (int i = 0; i < 3; ++i) {
        view.MoveCaret(Move::WordLeft, false);
        stops.push_back(view.Caret().column);
    }
    EXPECT_EQ(stops, (std::vector<int32_t>{12, 11, 10}));

    view.SelectWordAt({7, 0});
    EXPECT_EQ(Narrow(view.SelectedText()), "TEX12");
}

TEST(TextViewModel, TheCaretPullsTheViewAfterIt) {
    CTextViewModel view;
    view.SetViewSize(5, 20);
    view.SetText(std::u16string(50, u'x') + u"\n" + Numbered(0, 20));
    view.MoveCaret(Move::End, false);
    EXPECT_EQ(view.FirstVisibleColumn(), 50 + 20 / 4 - 20);
    view.MoveCaret(Move::Left, false);
    view.SetCaret({33, 0}, false);
    EXPECT_EQ(view.FirstVisibleColumn(), 33 - 20 / 4);
    view.MoveCaret(Move::Home, false);
    EXPECT_EQ(view.FirstVisibleColumn(), 0);

    view.MoveCaret(Move::PageDown, false);
    view.MoveCaret(Move::PageDown, false);
    EXPECT_EQ(view.Caret().line, 10);
    EXPECT_EQ(view.FirstVisibleLine(), 6);  // the caret's line is the last shown
    view.MoveCaret(Move::TextEnd, true);
    EXPECT_EQ(view.Caret(), (TextPosition{0, 21}));
    view.MoveCaret(Move::TextStart, false);
    EXPECT_EQ(view.FirstVisibleLine(), 0);
}

struct ViewState {
    std::u16string text;
    TextPosition caret;
    TextPosition anchor;
    bool operator==(const ViewState&) const = default;
    friend void PrintTo(const ViewState& s, std::ostream* out) {
        *out << '"' << Narrow(s.text) << "\" caret " << s.caret.column << ',' << s.caret.line
             << " anchor " << s.anchor.column << ',' << s.anchor.line;
    }
};

TEST(TextViewModel, UndoAndRedoRestoreTextAndCaretExactly) {
    CTextViewModel view;
    view.SetText(u"ab\ncd\nef");
    const auto state = [&view] { return ViewState{view.Text(), view.Caret(), view.Anchor()}; };
    std::vector<ViewState> before;
    std::vector<ViewState> after;
    const auto edit = [&](bool changed) {
        ASSERT_TRUE(changed);
        after.push_back(state());
    };
    view.SetCaret({1, 0}, false);
    before.push_back(state());
    edit(view.InsertText(u"X"));
    view.SetCaret({1, 1}, true);  // "b", line break, "c"
    before.push_back(state());
    edit(view.InsertText(u"1\r\n2\t|"));
    before.push_back(state());
    edit(view.Backspace());
    view.SetCaret({0, 2}, false);
    before.push_back(state());
    edit(view.Backspace());  // joins the last line to the one above
    before.push_back(state());
    edit(view.Delete());
    view.SelectAll();
    before.push_back(state());
    std::u16string cut;
    edit(view.Cut(cut));
    const std::u16string eight = u"2" + std::u16string(7, u' ');
    EXPECT_EQ(after[1].text, u"aX1\n" + eight + u"|d\nef");
    EXPECT_EQ(after[1].caret, (TextPosition{9, 1}));
    EXPECT_EQ(after[3].text, u"aX1\n" + eight + u"def");
    EXPECT_EQ(cut, u"aX1\r\n" + eight + u"df");

    for (size_t i = before.size(); i-- > 0;) {
        ASSERT_TRUE(view.Undo());
        EXPECT_EQ(state(), before[i]) << i;
    }
    EXPECT_FALSE(view.Undo());
    for (size_t i = 0; i < after.size(); ++i) {
        ASSERT_TRUE(view.Redo());
        EXPECT_EQ(state(), after[i]) << i;
    }
    EXPECT_FALSE(view.Redo());

    view.SetReadOnly(true);
    view.SetText(u"kept");
    view.SelectAll();
    EXPECT_FALSE(view.InsertText(u"x"));
    EXPECT_FALSE(view.Cut(cut));
    EXPECT_FALSE(view.Backspace());
    EXPECT_EQ(Narrow(view.Text()), "kept");
    EXPECT_FALSE(view.CanUndo());
}

TEST(TextViewModel, WideCharactersTakeTwoCellsAndNarrowOnesOne) {
    CTextViewModel view;
    view.SetViewSize(5, 8);
    // "ZCZC " then three kana, then ASCII again, and a tab after it all.
    view.SetText(u"ZCZC \u3042\u30A2\uFF21 NR\tX\nAB");
    EXPECT_EQ(view.CellOf({5, 0}), 5);
    EXPECT_EQ(view.CellOf({8, 0}), 11);  // three wide ones
    EXPECT_EQ(view.CellOf({11, 0}), 14);
    EXPECT_EQ(view.Line(0).substr(11), u"  X");  // the tab stop counts cells
    // Both cells of a wide character are that character; past the end is
    // the end.
    EXPECT_EQ(view.ColumnAtCell(0, 5), 5);
    EXPECT_EQ(view.ColumnAtCell(0, 6), 5);
    EXPECT_EQ(view.ColumnAtCell(0, 7), 6);
    EXPECT_EQ(view.ColumnAtCell(0, 11), 8);
    EXPECT_EQ(view.PositionAtCell(1, 9), (TextPosition{2, 1}));
    EXPECT_EQ(view.CharacterCells(u'\uFF76'), 1);  // halfwidth katakana

    // Scrolling follows cells: the caret after the kana is 11 cells in.
    view.SetCaret({8, 0}, false);
    EXPECT_EQ(view.FirstVisibleColumn(), 11 + 8 / 4 - 8);
    EXPECT_EQ(view.PositionAtCell(0, 0), (TextPosition{5, 0}));
    EXPECT_EQ(view.MaxFirstVisibleColumn(), 17 + 8 / 4 - 8);
}

TEST(TextViewModel, OnlyLinesOnScreenAskForTheWideFont) {
    CTextViewModel view;
    view.SetViewSize(3, 40);
    view.SetText(u"ÿ\n" + Numbered(0, 10) + u"ア");
    EXPECT_FALSE(view.VisibleLinesHoldWideCharacter());
    view.ScrollToLine(7);
    EXPECT_FALSE(view.VisibleLinesHoldWideCharacter());
    view.ScrollToLine(8);  // lines 8..10 and the partly shown line 11
    EXPECT_TRUE(view.VisibleLinesHoldWideCharacter());
}

}  // namespace
}  // namespace wavelore
