// Search, read marks, export and delete over the stored messages, beside
// the message index and made again from the files like it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/message_export.h"
#include "app/message_index.h"
#include "app/message_removal.h"
#include "app/message_search.h"
#include "app/message_selection.h"
#include "app/read_marks.h"
#include "common/utf.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using test::WriteFile;

std::vector<std::string> Found(CMessageSearch& search, std::u16string_view query) {
    std::vector<std::string> names;
    for (const SearchHit& hit : search.Search(query)) {
        EXPECT_TRUE(hit.path.is_absolute());
        EXPECT_EQ(ToUtf8(hit.day), hit.path.filename().string().substr(0, 10));
        names.push_back(hit.path.filename().string());
    }
    return names;
}

const char* kGale = "ZCZC EA12\r\nNITON NAVTEX\r\nGALE WARNING DOVER\r\nNNNN\r\n";
const char* kIce = "ZCZC FB34\r\nICE REPORT\r\nNNNN\r\n";

TEST(MessageSearch, RebuiltFromTheFilesFindsTextAcrossDaysAndFollowsNewAndDeletedMessages) {
    test::ScopedTempDir dir;
    fs::create_directories("logs/2007-07-21");
    fs::create_directories("logs/2007-07-22");
    WriteFile("logs/2007-07-21/2007-07-21 14.03.22 EA12.txt", kGale);
    WriteFile("logs/2007-07-21/2007-07-21 14.05.00 FB34.txt", kIce);
    WriteFile("logs/2007-07-22/2007-07-22 08.00.00 EA13.txt", "Gale warnings in force\r\n");
    CMessageSelection selection(u"", u"");
    {
        CMessageIndex index(".", selection, nullptr);
        ASSERT_TRUE(index.Open());
        CMessageSearch search(index);
        ASSERT_TRUE(search.Sync());
        // Every word, as a prefix, any case; newest first.
        EXPECT_EQ(Found(search, u"gale"),
                  (std::vector<std::string>{"2007-07-22 08.00.00 EA13.txt",
                                            "2007-07-21 14.03.22 EA12.txt"}));
        EXPECT_EQ(Found(search, u"  gal DOV "),
                  (std::vector<std::string>{"2007-07-21 14.03.22 EA12.txt"}));
        EXPECT_EQ(search.Search(u"dover").at(0).snippet.find(u"[DOVER]") != std::u16string::npos,
                  true);
        EXPECT_TRUE(Found(search, u"").empty());
        // Query syntax is taken as text, never as an error.
        EXPECT_TRUE(Found(search, u"\"gale OR ice* NEAR(").empty());
        EXPECT_EQ(CMessageSearch::MatchExpression(u"a\"b c"), "\"a\"\"b\"* \"c\"*");
    }

    // A damaged index is made again from the files, and so is the search.
    WriteFile("logs/messages.db", std::string(4096, '\x5a'));
    fs::remove("logs/messages.db-wal");
    fs::remove("logs/messages.db-shm");
    CMessageIndex index(".", selection, nullptr);
    ASSERT_TRUE(index.Open());
    CMessageSearch search(index);
    CReadMarks marks(index);
    ASSERT_TRUE(search.Sync());
    EXPECT_EQ(Found(search, u"ice").size(), 1u);

    // A message as it is stored: indexed, searchable, unread until opened.
    const fs::path stored = fs::absolute("logs/2007-07-22/2007-07-22 09.00.00 EA14.txt");
    WriteFile(stored, "ZCZC EA14\r\nSTORM FORCE 10\r\nNNNN\r\n");
    MessageRecord record;
    record.date = u"2007-07-22";
    record.time = u"09:00:00";
    record.b1 = u"E";
    record.b2 = u"A";
    record.number = u"14";
    record.path = stored;
    CMessageFilter filter(selection, &index);
    filter.AddOutput(&search, CMessageFilter::Wants::Every);
    filter.AddOutput(&marks, CMessageFilter::Wants::Every);
    filter.MessageStored(record, StorePlace::LogDay);
    EXPECT_EQ(Found(search, u"storm"), (std::vector<std::string>{"2007-07-22 09.00.00 EA14.txt"}));
    EXPECT_TRUE(marks.IsUnread(stored));
    // Those found in the files count as read.
    EXPECT_FALSE(marks.IsUnread(fs::absolute("logs/2007-07-21/2007-07-21 14.05.00 FB34.txt")));

    // Delete: files and rows together; a file already gone loses its row.
    fs::remove("logs/2007-07-21/2007-07-21 14.05.00 FB34.txt");
    EXPECT_TRUE(RemoveStoredMessages(index, {stored, fs::absolute("logs/2007-07-21/2007-07-21 "
                                                                  "14.05.00 FB34.txt")})
                    .empty());
    EXPECT_FALSE(fs::exists(stored));
    EXPECT_TRUE(index.RowsOfDay(u"2007-07-21").size() == 1u);
    EXPECT_TRUE(Found(search, u"storm").empty());
    EXPECT_TRUE(Found(search, u"ice").empty());
    ASSERT_TRUE(search.Sync());
    ASSERT_TRUE(marks.Sync());
    EXPECT_FALSE(marks.IsUnread(stored));
    EXPECT_EQ(Found(search, u"gale").size(), 2u);
    // A directory where a file was cannot be deleted as one: reported, kept.
    fs::create_directories("logs/2007-07-22/2007-07-22 10.00.00 EA15.txt/x");
    const auto failures =
        RemoveStoredMessages(index, {fs::absolute("logs/2007-07-22/2007-07-22 10.00.00 EA15.txt")});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(failures[0].error);

    marks.MarkUnread(fs::absolute("logs/2007-07-21/2007-07-21 14.03.22 EA12.txt"));
    marks.MarkRead(fs::absolute("logs/2007-07-21/2007-07-21 14.03.22 EA12.txt"));
    EXPECT_FALSE(marks.IsUnread(fs::absolute("logs/2007-07-21/2007-07-21 14.03.22 EA12.txt")));
}

TEST(MessageExport, TextAsStoredAndCsvWithTheIndexFields) {
    test::ScopedTempDir dir;
    WriteFile("a.txt", kIce);
    std::ostringstream text;
    const auto unreadable = ExportText({"a.txt", "missing.txt", "a.txt"}, text);
    EXPECT_EQ(unreadable, (std::vector<fs::path>{"missing.txt"}));
    EXPECT_EQ(text.str(), std::string(kIce) + "\r\n" + kIce + "\r\n");

    IndexedMessage counted;
    counted.path = "/logs/2007-07-21/2007-07-21 14.03.22 EA12, \"b\".txt";
    counted.identity = u"EA12";
    counted.b1 = u"E";
    counted.b2 = u"A";
    counted.number = u"12";
    counted.frameTime = {2007, 7, 21, 14, 3, 22};
    counted.counted = true;
    counted.good = 200;
    counted.errors = 7;
    counted.quality = 96;
    counted.clean = true;
    counted.selected = true;
    counted.frequencyHz = 4209500;
    IndexedMessage fromFile = counted;
    fromFile.frequencyHz = 0;
    fromFile.counted = false;
    fromFile.repeat = true;
    fromFile.path = "/x.txt";
    std::ostringstream csv;
    ExportCsv({counted, fromFile}, csv);
    EXPECT_EQ(csv.str(),
              "file,identity,station,subject,number,frame time,quality,good,errors,clean,repeat,"
              "selected,frequency\r\n"
              "\"/logs/2007-07-21/2007-07-21 14.03.22 EA12, \"\"b\"\".txt\",EA12,E,A,12,"
              "2007-07-21 14:03:22,96,200,7,1,0,1,4209500\r\n"
              "/x.txt,EA12,E,A,12,2007-07-21 14:03:22,,,,1,1,1,\r\n");
}

}  // namespace
}  // namespace wavelore
