#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include "app/message_filter.h"
#include "app/message_index.h"
#include "app/message_search.h"
#include "app/read_marks.h"
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
    EXPECT_GT(list->columnWidth(3), list->fontMetrics().horizontalAdvance("14:03:22"));
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

// Answers the next modal dialog of type T, once it is up.
template <typename T>
void Answer(std::function<void(T*)> answer) {
    QTimer::singleShot(10, [answer] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            answer(dialog);
        } else {
            Answer(answer);
        }
    });
}

void SaveAs(const QString& file) {
    Answer<QFileDialog>([file](QFileDialog* dialog) {
        // As typed: selectFile leaves the name box alone while it has the focus.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(file);
        static_cast<QDialog*>(dialog)->accept();  // the file dialog's own checks
    });
}

TEST(MessageExplorerWnd, SearchesAcrossDaysOpensAHitExportsAndDeletesWithConsent) {
    test::ScopedTempDir dir;
    fs::create_directories("logs/2007-07-20");
    fs::create_directories("logs/2007-07-21");
    const fs::path gale = fs::absolute("logs/2007-07-20/2007-07-20 10.00.00 EA11.txt");
    const fs::path ice = fs::absolute("logs/2007-07-21/2007-07-21 14.03.22 FB34.txt");
    test::WriteFile(gale, "ZCZC EA11\r\nGALE WARNING DOVER\r\nNNNN\r\n");
    test::WriteFile(ice, "ZCZC FB34\r\nICE REPORT\r\nNNNN\r\n");
    CMessageSelection selection(u"", u"");
    CMessageIndex index(".", selection, nullptr);
    ASSERT_TRUE(index.Open());
    index.RowsOfDay(u"2007-07-20");  // the filling done
    CMessageSearch search(index);
    CReadMarks marks(index);
    CMessageFilter filter(selection, &index);
    filter.AddOutput(&search, CMessageFilter::Wants::Every);
    filter.AddOutput(&marks, CMessageFilter::Wants::Every);

    CMessageExplorerWnd explorer;
    explorer.resize(500, 300);
    explorer.show();
    explorer.SetIndex(&index);
    explorer.SetSearch(&search, &marks);
    explorer.SetLogRoot(fs::absolute("logs"));
    QTreeWidget* list = explorer.MessageList();
    ASSERT_EQ(list->topLevelItemCount(), 1);

    // A NAVTEX-J serial of three digits on 490 kHz, stored now: unread.
    MessageRecord record;
    record.date = u"2007-07-21";
    record.time = u"15:00:00";
    record.b1 = u"J";
    record.b2 = u"A";
    record.number = u"123";
    record.frequencyHz = 490000;
    record.path = fs::absolute("logs/2007-07-21/2007-07-21 15.00.00 JA123.txt");
    test::WriteFile(record.path, "ZCZC JA123\r\nGALE WARNING\r\nNNNN\r\n");
    filter.MessageStored(record, StorePlace::LogDay);
    explorer.AddStoredMessage({u"15:00:00", u"2007-07-21", u"123", u"J", u"A"}, record.path);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(CExplorerModel::kFrequency), QStringLiteral("490"));
    EXPECT_TRUE(list->topLevelItem(1)->font(0).bold());
    EXPECT_FALSE(list->topLevelItem(0)->font(0).bold());
    // Titles and serials uncut, the sort shown.
    QHeaderView* header = list->header();
    for (int column = 0; column < CExplorerModel::kColumns; ++column) {
        const QString title = list->headerItem()->text(column);
        EXPECT_GT(list->columnWidth(column), header->fontMetrics().horizontalAdvance(title))
            << column;
    }
    EXPECT_GE(list->columnWidth(0), list->fontMetrics().horizontalAdvance("123") + 16);
    const QPoint type(header->sectionViewportPosition(2) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, type);
    EXPECT_EQ(header->sortIndicatorSection(), 2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_GE(list->columnWidth(2), header->sectionSizeHint(2));  // room for the arrow

    // Hits from both days, newest first, each with its date.
    QTest::keyClicks(explorer.SearchBox(), "gale");
    QTest::keyClick(explorer.SearchBox(), Qt::Key_Return);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(Column(list, 3), (QStringList{"2007-07-21 15:00:00", "2007-07-20 10:00:00"}));
    EXPECT_EQ(explorer.SearchStatus()->text(), QStringLiteral("2 message(s) found"));
    EXPECT_NE(list->topLevelItem(1)->toolTip(0).indexOf("[GALE]"), -1);

    QSignalSpy chosen(&explorer, &CMessageExplorerWnd::MessageChosen);
    Click(list, 0);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].value<fs::path>(), record.path);
    EXPECT_FALSE(list->topLevelItem(0)->font(0).bold());
    EXPECT_FALSE(marks.IsUnread(record.path));

    list->selectAll();
    SaveAs(QStringLiteral("hits.csv"));
    explorer.ExportCsvAction()->trigger();
    const std::string csv = test::ReadFile("hits.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3) << csv;
    EXPECT_NE(csv.find("JA123,J,A,123,2007-07-21 15:00:00,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",490000\r\n"), std::string::npos) << csv;

    // An unwritable file: said, nothing lost.
    QString error;
    SaveAs(QStringLiteral("no such directory/hits.txt"));
    Answer<QMessageBox>([&error](QMessageBox* box) {
        error = box->text();
        box->accept();
    });
    explorer.ExportTextAction()->trigger();
    EXPECT_TRUE(error.startsWith("Could not write")) << error.toStdString();

    // Delete, once agreed: file and index row; the hits follow.
    list->clearSelection();
    list->topLevelItem(1)->setSelected(true);
    Answer<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    explorer.DeleteAction()->trigger();
    EXPECT_FALSE(fs::exists(gale));
    EXPECT_FALSE(index.Find(gale).has_value());
    EXPECT_EQ(Column(list, 3), (QStringList{"2007-07-21 15:00:00"}));

    // Cleared: the day again.
    explorer.SearchBox()->clear();
    EXPECT_EQ(Column(list, 0), (QStringList{"34", "123"}));
    EXPECT_TRUE(explorer.SearchStatus()->text().isEmpty());
}

}  // namespace
}  // namespace wavelore
