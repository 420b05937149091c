#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/explorer_model.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using test::ScopedTempDir;
using test::WriteFile;

std::vector<std::u16string> Column(const CExplorerModel& model, int32_t column) {
    std::vector<std::u16string> texts;
    for (const ExplorerRow& row : model.Rows()) {
        texts.emplace_back(CExplorerModel::ColumnText(row, column));
    }
    return texts;
}

TEST(ExplorerModel, ScansDaysAndReadsMessagesFromTheirNamesOnly) {
    ScopedTempDir dir;
    fs::create_directories("logs/2007-07-21/raw");
    fs::create_directories("logs/2007-07-20");
    fs::create_directories("logs/not-a-day");                                // 11 characters
    fs::create_directories("logs/2007-07-21/2007-07-21 10.00.00 EA12.txt");  // a directory
    WriteFile("logs/2007-07-22", "");                                        // not a directory
    WriteFile("logs/2007-07-21/2007-07-21 14.03.22 EA12.txt", "ignored");    // never opened
    WriteFile("logs/2007-07-21/2007-07-21 09.00.00 JB123.txt", "");
    WriteFile("logs/2007-07-21/abcdefghijklmnopqrstuvwx.txt", "");    // 28, by hand
    WriteFile("logs/2007-07-21/2007-07-21 09.00.00 JB12X.txt", "");   // 29, no third digit
    WriteFile("logs/2007-07-21/2007-07-21 09.00.00 JB1234.txt", "");  // 30
    WriteFile("logs/2007-07-21/incoming.txt", "");
    WriteFile("logs/2007-07-21/raw/2007-07-21 09.15.02-raw.txt", "");
    WriteFile("logs/2007-07-21/2007-07-21 14.03.22 EA12.dat", "");

    CExplorerModel model;
    model.SetLogRoot("logs");
    EXPECT_EQ(model.Days(), (std::vector<std::u16string>{u"2007-07-20", u"2007-07-21"}));
    EXPECT_EQ(model.SelectedDay(), 1);
    ASSERT_EQ(model.Rows().size(), 4u);
    // Name order: "2007-07-21 09.00.00 JB123.txt", "... JB12X.txt", "... EA12.txt", "abc...".
    EXPECT_EQ(Column(model, CExplorerModel::kMessage),
              (std::vector<std::u16string>{u"123", u"12", u"12", u"wx"}));
    EXPECT_EQ(Column(model, CExplorerModel::kStation),
              (std::vector<std::u16string>{u"J", u"J", u"E", u"u"}));
    EXPECT_EQ(Column(model, CExplorerModel::kType),
              (std::vector<std::u16string>{u"B", u"B", u"A", u"v"}));
    EXPECT_EQ(Column(model, CExplorerModel::kTime),
              (std::vector<std::u16string>{u"09:00:00", u"09:00:00", u"14:03:22", u"lmnopqrs"}));
    EXPECT_EQ(Column(model, CExplorerModel::kCategory),
              (std::vector<std::u16string>{u"Met warning", u"Met warning", u"Nav warning", u"?"}));
    const ExplorerRow& ea12 = model.Rows()[2];
    EXPECT_EQ(ea12.header.date, u"2007-07-21");
    EXPECT_EQ(ea12.path, fs::path("logs/2007-07-21/2007-07-21 14.03.22 EA12.txt"));
    EXPECT_EQ(CExplorerModel::Image(ea12), CExplorerModel::kImageImportant);
    EXPECT_EQ(CExplorerModel::Image(model.Rows()[3]), CExplorerModel::kImageOrdinary);

    model.SelectDay(0);
    EXPECT_TRUE(model.Rows().empty());

    // A missing root is an empty explorer, not an error.
    model.SetLogRoot("nowhere");
    EXPECT_TRUE(model.Days().empty());
    EXPECT_EQ(model.SelectedDay(), CExplorerModel::kNoDay);
}

TEST(ExplorerModel, NavtexJMessagesShowTheirStationLetterAlone) {
    ScopedTempDir dir;
    fs::create_directories("logs/2007-07-21");
    WriteFile("logs/2007-07-21/2007-07-21 09.00.00 JA123.txt", "");
    WriteFile("logs/2007-07-21/2007-07-21 10.00.00 JA12.txt", "");
    CExplorerModel model;
    model.SetNavArea(1);
    model.SetLogRoot("logs");
    // NAVAREA 1's J is a Baltic station; NAVTEX-J's J is a Japanese one.
    EXPECT_EQ(Column(model, CExplorerModel::kStation),
              (std::vector<std::u16string>{u"J", u"J Gislovshammer"}));
    EXPECT_EQ(model.Rows()[0].frequencyHz, 0);
}

TEST(ExplorerModel, SortsEachColumnAscendingThenDescendingAndSendsAChoiceOnce) {
    ScopedTempDir dir;
    fs::create_directories("logs/2007-07-21");
    for (const char* name : {"2007-07-21 14.03.22 EA12.txt", "2007-07-21 09.00.00 JB12.txt",
                             "2007-07-21 23.59.59 KE01.txt"}) {
        WriteFile(fs::path("logs/2007-07-21") / name, "");
    }
    CExplorerModel model;
    model.SetLogRoot("logs");

    model.Sort(CExplorerModel::kTime);
    EXPECT_EQ(Column(model, CExplorerModel::kTime),
              (std::vector<std::u16string>{u"09:00:00", u"14:03:22", u"23:59:59"}));
    fs::path path;
    ASSERT_TRUE(model.Choose(0, path));
    EXPECT_EQ(path.filename(), "2007-07-21 09.00.00 JB12.txt");
    EXPECT_FALSE(model.Choose(0, path));

    model.Sort(CExplorerModel::kTime);
    EXPECT_EQ(Column(model, CExplorerModel::kTime),
              (std::vector<std::u16string>{u"23:59:59", u"14:03:22", u"09:00:00"}));
    // The same message at another place is still the same choice.
    EXPECT_FALSE(model.Choose(2, path));
    ASSERT_TRUE(model.Choose(1, path));
    EXPECT_EQ(path.filename(), "2007-07-21 14.03.22 EA12.txt");
    ASSERT_TRUE(model.Choose(2, path));
    EXPECT_EQ(path.filename(), "2007-07-21 09.00.00 JB12.txt");
    EXPECT_FALSE(model.Choose(3, path));

    // Each column keeps its own direction.
    model.Sort(CExplorerModel::kStation);
    EXPECT_EQ(Column(model, CExplorerModel::kStation),
              (std::vector<std::u16string>{u"E", u"J", u"K"}));
    model.Sort(CExplorerModel::kTime);
    EXPECT_EQ(Column(model, CExplorerModel::kTime),
              (std::vector<std::u16string>{u"09:00:00", u"14:03:22", u"23:59:59"}));
}

TEST(ExplorerModel, StoredMessagesJoinTheTreeAndOnlyTheSelectedDaysList) {
    ScopedTempDir dir;
    fs::create_directories("logs/2007-07-20");
    fs::create_directories("logs/2007-07-21");
    CExplorerModel model;
    model.SetLogRoot("logs");
    ASSERT_EQ(model.SelectedDay(), 1);

    MessageHeader header{u"00:00:05", u"2007-07-22", u"01", u"E", u"A"};
    CExplorerModel::Added added = model.AddStoredMessage(header, "/abs/a.txt");
    EXPECT_TRUE(added.day);
    EXPECT_FALSE(added.row);
    EXPECT_EQ(model.Days().back(), u"2007-07-22");
    EXPECT_EQ(model.SelectedDay(), 1);

    header.date = u"2007-07-20";
    added = model.AddStoredMessage(header, "/abs/b.txt");
    EXPECT_FALSE(added.day);
    EXPECT_FALSE(added.row);
    EXPECT_TRUE(model.Rows().empty());

    header.date = u"2007-07-21";
    added = model.AddStoredMessage(header, "/abs/c.txt");
    EXPECT_TRUE(added.row);
    ASSERT_EQ(model.Rows().size(), 1u);
    EXPECT_EQ(model.Rows()[0].path, fs::path("/abs/c.txt"));
    EXPECT_EQ(model.Days().size(), 3u);

    // With no day selected (a new log tree) a message adds its day and
    // selects it, so that the message just stored is seen.
    model.Clear();
    header.date = u"2007-07-23";
    added = model.AddStoredMessage(header, "/abs/d.txt");
    EXPECT_TRUE(added.day);
    EXPECT_FALSE(added.row);
    EXPECT_TRUE(added.selected);
    EXPECT_EQ(model.SelectedDay(), 0);
}

}  // namespace
}  // namespace wavelore
