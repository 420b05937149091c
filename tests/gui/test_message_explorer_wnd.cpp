#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "gui/message_explorer_wnd.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;

QStringList Column(QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts << list->topLevelItem(i)->text(column);
    }
    return texts;
}

void Click(QTreeWidget* view, int row, int column = 0) {
    const QRect cell = view->visualItemRect(view->topLevelItem(row));
    QPoint at = cell.center();
    if (view->columnCount() > 1) {
        at.setX(view->header()->sectionViewportPosition(column) + 20);
    }
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
}

TEST(MessageExplorerWnd, FollowsTheDaySortsByHeaderClicksAndSendsEachChoiceOnce) {
    test::ScopedTempDir dir;
    fs::create_directories("logs/2007-07-20");
    fs::create_directories("logs/2007-07-21");
    for (const char* name : {"2007-07-21 14.03.22 EA12.txt", "2007-07-21 09.00.00 JB12.txt"}) {
        test::WriteFile(fs::path("logs/2007-07-21") / name, "");
    }
    CMessageExplorerWnd explorer;
    explorer.resize(500, 300);
    explorer.show();
    explorer.SetLogRoot("logs");
    QTreeWidget* days = explorer.DayTree();
    QTreeWidget* list = explorer.MessageList();
    ASSERT_EQ(days->topLevelItemCount(), 2);
    EXPECT_EQ(days->currentItem()->text(0), QStringLiteral("2007-07-21"));
    EXPECT_EQ(list->headerItem()->text(4), QStringLiteral("Category"));
    EXPECT_EQ(list->columnWidth(3), 65);
    EXPECT_EQ(Column(list, 4), (QStringList{"Met warning", "Nav warning"}));

    QHeaderView* header = list->header();
    const QPoint time(header->sectionViewportPosition(3) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, time);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, time);
    EXPECT_EQ(Column(list, 3), (QStringList{"14:03:22", "09:00:00"}));

    QSignalSpy chosen(&explorer, &CMessageExplorerWnd::MessageChosen);
    Click(list, 1);
    Click(list, 1);
    Click(list, 0);
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen[0][0].value<fs::path>(),
              fs::path("logs/2007-07-21/2007-07-21 09.00.00 JB12.txt"));

    // A new day joins the tree unselected; the selected day's list grows.
    explorer.AddStoredMessage({u"00:00:01", u"2007-07-22", u"03", u"E", u"E"}, "/m/a.txt");
    explorer.AddStoredMessage({u"09:30:00", u"2007-07-21", u"04", u"E", u"E"}, "/m/b.txt");
    ASSERT_EQ(days->topLevelItemCount(), 3);
    EXPECT_EQ(days->topLevelItem(2)->text(0), QStringLiteral("2007-07-22"));
    EXPECT_EQ(days->currentItem()->text(0), QStringLiteral("2007-07-21"));
    EXPECT_EQ(Column(list, 0), (QStringList{"12", "12", "04"}));

    Click(days, 2);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    Click(days, 0);
    EXPECT_EQ(list->topLevelItemCount(), 0);

    explorer.Clear();
    EXPECT_EQ(days->topLevelItemCount(), 0);
}

}  // namespace
}  // namespace wavelore
