#include <gtest/gtest.h>

#include <set>

#include <QElapsedTimer>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "gui/message_pane_wnd.h"

namespace wavelore {
namespace {

using Mode = CPaneLayout::Mode;

// Explorer widths seen while the slide runs, until it reaches `mode`.
std::set<int> SlideUntil(const CMessagePaneWnd& pane, const QWidget& explorer, Mode mode) {
    std::set<int> widths;
    QElapsedTimer clock;
    clock.start();
    while (pane.Pane().PaneMode() != mode && clock.elapsed() < 20000) {
        QTest::qWait(5);
        widths.insert(explorer.width());
    }
    return widths;
}

TEST(MessagePaneWnd, DragsTheBarReportsEveryDragAndSlidesTheExplorer) {
    CMessagePaneWnd pane;
    auto* raw = new QRadioButton(QStringLiteral("Raw data"), &pane);
    auto* messages = new QRadioButton(QStringLiteral("Messages"), &pane);
    auto* after = new QWidget(&pane);
    auto* text = new QWidget(&pane);
    auto* explorer = new QWidget(&pane);
    pane.SetButtons(raw, messages, after);
    pane.SetTextPane(text);
    pane.SetExplorer(explorer);
    pane.SetPaneSplit(500);
    pane.resize(800, 400);
    pane.show();
    // On an X server the pointer's moves arrive as events of their own.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));

    EXPECT_EQ(raw->x(), 5);
    EXPECT_EQ(messages->x(), 85);
    EXPECT_EQ(after->x(), 175);
    EXPECT_EQ(text->geometry(),
              QRect(5, raw->geometry().bottom() + 1, 390, 400 - 5 - raw->geometry().bottom() - 1));
    EXPECT_EQ(explorer->geometry(), QRect(405, text->y(), 390, text->height()));

    QSignalSpy dragged(&pane, &CMessagePaneWnd::paneSplitDragged);
    const int y = text->y() + 50;
    QTest::mouseMove(&pane, QPoint(398, y));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.cursor().shape() == Qt::SizeHorCursor; }, 2000));
    EXPECT_EQ(pane.cursor().shape(), Qt::SizeHorCursor);
    QTest::mousePress(&pane, Qt::LeftButton, {}, QPoint(398, y));
    QTest::mouseMove(&pane, QPoint(200, y));
    QTest::mouseRelease(&pane, Qt::LeftButton, {}, QPoint(200, y));
    ASSERT_EQ(dragged.size(), 1);
    EXPECT_EQ(dragged[0][0].toInt(), 250);
    EXPECT_EQ(text->width(), 190);
    EXPECT_EQ(explorer->x(), 205);
    QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(196, y));
    ASSERT_EQ(dragged.size(), 2);
    EXPECT_EQ(dragged[1][0].toInt(), 250);
    QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(300, y));  // off the bar
    EXPECT_EQ(dragged.size(), 2);

    pane.ShowExplorer(false);
    EXPECT_GT(SlideUntil(pane, *explorer, Mode::Closed).size(), 5u);
    EXPECT_EQ(text->width(), 790);
    EXPECT_EQ(explorer->width(), 0);
    QTest::mouseMove(&pane, QPoint(796, y));
    EXPECT_NE(pane.cursor().shape(), Qt::SizeHorCursor);

    pane.ShowExplorer(true);
    EXPECT_GT(SlideUntil(pane, *explorer, Mode::Open).size(), 5u);
    EXPECT_EQ(text->width(), 190);
    EXPECT_EQ(explorer->geometry(), QRect(205, text->y(), 590, text->height()));
}

}  // namespace
}  // namespace wavelore
