#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <string>

#include "gui/color_edit_wnd.h"

namespace wavelore {
namespace {

std::u16string Lines(int count) {
    std::u16string text;
    for (int i = 0; i < count; ++i) {
        text += u"line " + QString::number(i).toStdU16String() + u"\n";
    }
    return text;
}

class ColorEditWndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        view.resize(420, 240);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    // The centre of a cell on the text area, where the mouse goes.
    QPoint Cell(int column, int row) const {
        return QPoint(5 + column * view.CellWidth() + view.CellWidth() / 2,
                      row * view.LineHeight() + view.LineHeight() / 2);
    }

    ColorEditWnd view;
};

TEST_F(ColorEditWndTest, KeyboardSelectionCopiesWithCtrlC) {
    view.SetReadOnly(true);
    view.SetText(u"NAVTEX one\nsecond");
    QTest::keyClick(&view, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("NAVTEX one\r\nsecond"));

    // Without a selection there is nothing to copy and the clipboard stays.
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    QTest::keyClick(&view, Qt::Key_Left);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
    // Read-only: paste, cut and typing do nothing.
    QTest::keyClick(&view, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(view.Model().Text(), u"NAVTEX one\nsecond");
}

TEST_F(ColorEditWndTest, CtrlZUndoesAndCtrlARedoes) {
    QTest::keyClicks(&view, QStringLiteral("ab"));
    QTest::keyClick(&view, Qt::Key_Return);
    QTest::keyClick(&view, Qt::Key_C);
    EXPECT_EQ(view.Model().Text(), u"ab\nc");
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.Model().Text(), u"ab");
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.Model().Text(), u"ab\n");
    EXPECT_EQ(view.Model().Caret(), (TextPosition{0, 1}));
    EXPECT_FALSE(view.Model().HasSelection());  // not select all
}

TEST_F(ColorEditWndTest, JapaneseTextSwitchesToTheWideFontForGood) {
    EXPECT_TRUE(QFontInfo(view.TextFont()).fixedPitch());
    const int narrow = view.CellWidth();
    EXPECT_EQ(narrow, QFontMetrics(view.TextFont()).averageCharWidth());
    view.AppendText(u"ZCZC\n");
    EXPECT_FALSE(view.WideFont());

    view.AppendText(u"気象警報\n");
    EXPECT_TRUE(view.WideFont());
    EXPECT_TRUE(QFontDatabase::writingSystems(QFontInfo(view.TextFont()).family())
                    .contains(QFontDatabase::Japanese));
    // A kanji fills two cells and ASCII keeps one: the cell is the narrow
    // pitch, not the wide one.
    const int kanji = QFontMetrics(view.TextFont()).horizontalAdvance(QChar(0x6C17));
    EXPECT_GE(2 * view.CellWidth(), kanji);
    EXPECT_LE(view.CellWidth(), kanji / 2 + 1);
    view.SetText(u"plain");
    EXPECT_TRUE(view.WideFont());
}

TEST_F(ColorEditWndTest, TheWheelScrollsFiveLinesPerNotch) {
    view.SetText(Lines(100));
    const QPointF at(20, 20);
    const auto wheel = [&](int delta) {
        QWheelEvent event(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &event);
    };
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(view.Model().FirstVisibleLine(), 10);
    wheel(120);
    EXPECT_EQ(view.Model().FirstVisibleLine(), 5);
    EXPECT_EQ(view.verticalScrollBar()->value(), 5);
    wheel(120);
    wheel(120);
    EXPECT_EQ(view.Model().FirstVisibleLine(), 0);
}

TEST_F(ColorEditWndTest, PaintingOnlyWhatAnAppendChangedLeavesTheFullPicture) {
    view.SetSelectionColor(QColor(0, 0, 255));
    view.AppendText(Lines(CTextViewModel::kMaxLines));
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);
    const auto onScreen = [this] {
        QApplication::processEvents();
        return view.screen()
            ->grabWindow(view.winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    const auto repainted = [this] {
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    // Following the end: the picture moves up with the text.
    for (int i = 0; i < 12; ++i) {
        view.AppendText(i % 4 == 3 ? u"\r\n" : u"NAV ");
        onScreen();
    }
    EXPECT_TRUE(onScreen() == repainted());
    // Reading further up while the oldest lines go.
    QWheelEvent up(QPointF(20, 20), view.viewport()->mapToGlobal(QPointF(20, 20)), QPoint(),
                   QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &up);
    for (int i = 0; i < 6; ++i) {
        view.AppendText(u"TEX\r\n");
        onScreen();
    }
    // The text read stays in place as the end moves away from it.
    EXPECT_EQ(view.Model().FirstVisibleLine(), view.Model().MaxFirstVisibleLine() - 5 - 6);
    EXPECT_TRUE(onScreen() == repainted());
}

TEST_F(ColorEditWndTest, SelectedCellsArePaintedInTheSelectionColours) {
    view.SetSelectionColor(QColor(0, 0, 255));
    view.SetText(u"AB CD");
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, Cell(1, 0));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, Cell(4, 0));
    ASSERT_EQ(view.Model().SelectedText(), u"B C");

    const QImage image = view.grab().toImage();
    const auto cellPixels = [&](int column) {
        std::vector<QRgb> pixels;
        const QPoint centre = view.viewport()->mapTo(&view, Cell(column, 0));
        for (int y = centre.y() - view.LineHeight() / 2; y < centre.y() + view.LineHeight() / 2;
             ++y) {
            for (int x = centre.x() - view.CellWidth() / 2; x < centre.x() + view.CellWidth() / 2;
                 ++x) {
                pixels.push_back(image.pixel(x, y) & 0xFFFFFF);
            }
        }
        return pixels;
    };
    const auto holds = [](const std::vector<QRgb>& pixels, QRgb colour) {
        return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
    };
    const auto space = cellPixels(2);
    EXPECT_TRUE(std::all_of(space.begin(), space.end(), [](QRgb p) { return p == 0x0000FF; }));
    EXPECT_TRUE(holds(cellPixels(1), 0xFFFFFF));  // white B on blue
    EXPECT_TRUE(holds(cellPixels(1), 0x0000FF));
    EXPECT_TRUE(holds(cellPixels(4), 0x000000));  // black D on white
    EXPECT_FALSE(holds(cellPixels(4), 0x0000FF));
    EXPECT_FALSE(holds(cellPixels(6), 0x000000));  // past the end of the text
}

TEST_F(ColorEditWndTest, SelectedTextBecomesThePrimarySelectionAndLeavesTheClipboard) {
    QClipboard* clipboard = QApplication::clipboard();
    if (!clipboard->supportsSelection()) {
        GTEST_SKIP() << "this platform has no primary selection (X11 has)";
    }
    view.SetReadOnly(true);
    view.SetText(u"NAVTEX one\nsecond");
    clipboard->setText(QStringLiteral("kept"));
    QTest::keyClick(&view, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboard->text(QClipboard::Selection), QStringLiteral("NAVTEX"));
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, Cell(0, 1));
    QTest::mouseMove(view.viewport(), Cell(3, 1));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, Cell(3, 1));
    EXPECT_EQ(clipboard->text(QClipboard::Selection), QStringLiteral("sec"));
    EXPECT_EQ(clipboard->text(), QStringLiteral("kept"));
}

}  // namespace
}  // namespace wavelore
