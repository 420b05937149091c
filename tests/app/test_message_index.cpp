// The message index made again from the stored files whenever it is
// missing, damaged, removed while in use or locked, losing no message.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/message_index.h"
#include "app/message_selection.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using test::WriteFile;

class CNotes final : public IUserNotifier {
  public:
    void ShowMessage(const std::u16string& text) override { notes.push_back(ToUtf8(text)); }
    std::vector<std::string> notes;
};

std::vector<std::string> Names(const std::vector<IndexedMessage>& rows) {
    std::vector<std::string> out;
    for (const IndexedMessage& row : rows) {
        out.push_back(row.path.filename().string() + (row.counted ? " counted" : "") +
                      (row.repeat ? " repeat" : "") + (row.selected ? " selected" : ""));
    }
    return out;
}

MessageRecord Record(const fs::path& path) {
    MessageRecord r;
    r.date = u"2007-07-21";
    r.time = u"15:00:00";
    r.b1 = u"E";
    r.b2 = u"A";
    r.number = u"12";
    r.good = 200;
    r.errors = 7;
    r.quality = 99;
    r.path = path;
    return r;
}

TEST(MessageIndex, IsRebuiltFromTheStoredFilesWhenDamagedRemovedOrLocked) {
    test::ScopedTempDir dir;
    const std::string day = "logs/2007-07-21/";
    fs::create_directories(day + "raw");
    WriteFile(day + "2007-07-21 14.03.22 EA12.txt", "x");
    WriteFile(day + "2007-07-21 14.03.22 EA12 (2).txt", "x");
    WriteFile(day + "2007-07-21 14.05.00 FB34.txt", "x");
    WriteFile(day + "2007-07-21 14.06.00 JA123.txt", "x");  // NAVTEX-J
    WriteFile("2007-07-21 14.07.00 GD01.txt", "x");         // kept beside incoming.txt
    // Not stored messages: the raw log, other names, a bad time.
    WriteFile(day + "raw/2007-07-21 14.03.22-raw.txt", "x");
    WriteFile(day + "notes.txt", "x");
    WriteFile(day + "2007-07-21 25.00.00 EA13.txt", "x");
    WriteFile("incoming.txt", "x");
    WriteFile("logs/messages.db", std::string(4096, '\x5a'));

    CMessageSelection selection(u"EG", u"");
    CNotes notes;
    const std::vector<std::string> rebuilt = {
        "2007-07-21 14.03.22 EA12 (2).txt selected", "2007-07-21 14.03.22 EA12.txt selected",
        "2007-07-21 14.05.00 FB34.txt", "2007-07-21 14.06.00 JA123.txt",
        "2007-07-21 14.07.00 GD01.txt selected"};
    {
        CMessageIndex index(".", selection, &notes);
        ASSERT_TRUE(index.Open());
        EXPECT_FALSE(index.InMemory());
        ASSERT_EQ(notes.notes.size(), 1u);
        EXPECT_NE(notes.notes[0].find("logs/messages.db\" was damaged; it was rebuilt"),
                  std::string::npos)
            << notes.notes[0];
        EXPECT_EQ(Names(index.RowsOfDay(u"2007-07-21")), rebuilt);

        // Rows made from files have no counts: a clean reception after them
        // is new, and itself counts for the next.
        WriteFile(day + "2007-07-21 15.00.00 EA12.txt", "x");
        EXPECT_FALSE(index.Add(Record(dir.Path() / day / "2007-07-21 15.00.00 EA12.txt"), true));

        // Removed while in use: made again, this run's row keeping its counts.
        fs::remove("logs/messages.db");
        WriteFile(day + "2007-07-21 15.00.01 EA12.txt", "x");
        MessageRecord next = Record(dir.Path() / day / "2007-07-21 15.00.01 EA12.txt");
        next.time = u"15:00:01";
        EXPECT_TRUE(index.Add(next, true));
        ASSERT_EQ(notes.notes.size(), 2u);
        EXPECT_NE(notes.notes[1].find("removed or replaced while in use"), std::string::npos);
        EXPECT_TRUE(fs::exists("logs/messages.db"));
    }
    std::vector<std::string> all = rebuilt;
    all.push_back("2007-07-21 15.00.00 EA12.txt counted selected");
    all.push_back("2007-07-21 15.00.01 EA12.txt counted repeat selected");
    {
        // Opened again: kept as it is, and a file deleted meanwhile leaves.
        fs::remove(day + "2007-07-21 14.05.00 FB34.txt");
        all.erase(all.begin() + 2);
        CMessageIndex index(".", selection, &notes);
        ASSERT_TRUE(index.Open());
        EXPECT_EQ(Names(index.RowsOfDay(u"2007-07-21")), all);
        EXPECT_EQ(notes.notes.size(), 2u);
    }
    {
        // Locked by another program: an index in memory, said once.
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open("logs/messages.db", &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        CMessageIndex index(".", selection, &notes);
        ASSERT_TRUE(index.Open());
        EXPECT_TRUE(index.InMemory());
        ASSERT_EQ(notes.notes.size(), 3u);
        EXPECT_NE(notes.notes[2].find("is locked by another program"), std::string::npos);
        std::vector<std::string> fromFiles = rebuilt;
        fromFiles.erase(fromFiles.begin() + 2);
        fromFiles.push_back("2007-07-21 15.00.00 EA12.txt selected");
        fromFiles.push_back("2007-07-21 15.00.01 EA12.txt selected");
        EXPECT_EQ(Names(index.RowsOfDay(u"2007-07-21")), fromFiles);
        sqlite3_close(other);
    }
}

TEST(MessageIndex, KnowsANavtexJMessageByItsFileNamesIdentityAndMigratesAnOlderIndex) {
    test::ScopedTempDir dir;
    const std::string day = "logs/2007-07-21/";
    fs::create_directories(day);
    // A third serial digit that cannot stand in a file name.
    const std::string name = day + "2007-07-21 15.00.00 JA12_.txt";
    WriteFile(name, "x");
    MessageRecord first = Record(dir.Path() / name);
    first.b1 = u"J";
    first.number = u"12/";
    first.mode = Mode::NavtexJ;
    first.errors = 0;
    CMessageSelection all;
    CNotes notes;
    const auto identities = [](CMessageIndex& index) {
        std::vector<std::string> out;
        for (const IndexedMessage& row : index.RowsOfDay(u"2007-07-21")) {
            out.push_back(ToUtf8(row.identity + u" " + row.number) +
                          (row.counted ? " counted" : ""));
        }
        return out;
    };
    {
        CMessageIndex index(".", all, &notes);
        ASSERT_TRUE(index.Open());
        EXPECT_FALSE(index.Add(first, true));
        EXPECT_EQ(identities(index), (std::vector<std::string>{"JA12_ 12_ counted"}));
    }
    {
        // Made again from the files: the same identity.
        test::ScopedTempDir other;
        fs::create_directories(day);
        WriteFile(name, "x");
        CMessageIndex index(".", all, &notes);
        ASSERT_TRUE(index.Open());
        EXPECT_EQ(identities(index), (std::vector<std::string>{"JA12_ 12_"}));
    }

    // An index of the first layout kept the number as received.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open("logs/messages.db", &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "UPDATE messages SET identity = 'JA12/', number = '12/'; "
                           "PRAGMA user_version = 1",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    CMessageIndex index(".", all, &notes);
    ASSERT_TRUE(index.Open());
    // Migrated, not rebuilt: the counts stay and a later reception repeats it.
    EXPECT_EQ(identities(index), (std::vector<std::string>{"JA12_ 12_ counted"}));
    const std::string later = day + "2007-07-21 16.00.00 JA12_.txt";
    WriteFile(later, "x");
    MessageRecord second = first;
    second.time = u"16:00:00";
    second.path = dir.Path() / later;
    EXPECT_TRUE(index.Add(second, true));
    EXPECT_EQ(notes.notes, std::vector<std::string>{});
}

// An index from before the channel's frequency keeps its rows and counts
// (unknown frequency) and takes the frequency of the messages from now on.
TEST(MessageIndex, MigratesAnIndexWithoutFrequencies) {
    test::ScopedTempDir dir;
    const std::string day = "logs/2007-07-21/";
    fs::create_directories(day);
    const std::string old = day + "2007-07-21 15.00.00 EA12.txt";
    WriteFile(old, "x");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open("logs/messages.db", &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db,
                     "CREATE TABLE messages (path TEXT PRIMARY KEY NOT NULL, identity TEXT NOT "
                     "NULL, station TEXT NOT NULL, subject TEXT NOT NULL, number TEXT NOT NULL, "
                     "frame_time TEXT NOT NULL, frame_seconds INTEGER NOT NULL, quality INTEGER, "
                     "good INTEGER, errors INTEGER, clean INTEGER NOT NULL, repeat INTEGER NOT "
                     "NULL, selected INTEGER NOT NULL);"
                     "INSERT INTO messages VALUES ('logs/2007-07-21/2007-07-21 15.00.00 EA12.txt', "
                     "'EA12', 'E', 'A', '12', '2007-07-21 15:00:00', 0, 97, 200, 7, 1, 0, 1);"
                     "PRAGMA user_version = 2",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    CMessageSelection all;
    CNotes notes;
    CMessageIndex index(".", all, &notes);
    ASSERT_TRUE(index.Open());
    const std::string later = day + "2007-07-21 16.00.00 EA13.txt";
    WriteFile(later, "x");
    MessageRecord record = Record(dir.Path() / later);
    record.time = u"16:00:00";
    record.number = u"13";
    record.frequencyHz = 490000;
    EXPECT_FALSE(index.Add(record, true));
    std::vector<std::string> rows;
    for (const IndexedMessage& row : index.RowsOfDay(u"2007-07-21")) {
        rows.push_back(ToUtf8(row.identity) + " " + std::to_string(row.quality) + " " +
                       std::to_string(row.frequencyHz));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"EA12 97 0", "EA13 99 490000"}));
    EXPECT_EQ(notes.notes, std::vector<std::string>{});
}

// With several channels the same station letter on 490 and 518 kHz is two
// stations; a reception of unknown frequency (a sound card) counts on any.
// Decided alike by the index and, with no index to ask, among this run's
// rows.
TEST(MessageIndex, RepeatsOnlyOnTheSameChannelOrAnUnknownOne) {
    test::ScopedTempDir dir;
    CMessageSelection all;
    fs::create_directories("disk/logs/2007-07-21");
    // A file where the logs directory belongs: no index at all.
    fs::create_directories("none/2007-07-21");
    WriteFile("none/logs", "x");
    for (const std::string base : {"disk", "none"}) {
        SCOPED_TRACE(base);
        CMessageIndex index(base, all, nullptr);
        if (base == "disk") {
            ASSERT_TRUE(index.Open());
        }
        // Waits for the filling, so the disk index decides.
        EXPECT_EQ(index.Database() != nullptr, base == "disk");
        const fs::path day =
            dir.Path() / base / (base == "disk" ? "logs/2007-07-21" : "2007-07-21");
        int second = 0;
        const auto receive = [&](int32_t frequencyHz) {
            const std::string time = "15.00.0" + std::to_string(second++);
            WriteFile(day / ("2007-07-21 " + time + " EA12.txt"), "x");
            MessageRecord record = Record(day / ("2007-07-21 " + time + " EA12.txt"));
            record.time = u"15:00:0" + FromUtf8(time.substr(time.size() - 1));
            record.frequencyHz = frequencyHz;
            return index.Add(record, true);
        };
        EXPECT_FALSE(receive(490000));
        EXPECT_FALSE(receive(518000));
        EXPECT_TRUE(receive(518000));
        EXPECT_TRUE(receive(0));
    }
}

// A fresh index is filled from the files beside its user; one whose
// filling was cut short (the program ended meanwhile) is filled again,
// silently, and meanwhile the repeats are those the filled index gives.
TEST(MessageIndex, IsFilledBesideItsUserAndAFillingCutShortStartsAgain) {
    test::ScopedTempDir dir;
    const std::string day = "logs/2007-07-21/";
    fs::create_directories(day);
    for (int minute = 0; minute < 50; ++minute) {
        WriteFile(day + "2007-07-21 13." + (minute < 10 ? "0" : "") + std::to_string(minute) +
                      ".00 FB34.txt",
                  "x");
    }
    CMessageSelection all;
    CNotes notes;
    {
        CMessageIndex index(".", all, &notes);
        ASSERT_TRUE(index.Open());
        // Two clean receptions: the second is a repeat whether the filling
        // has ended or not.
        WriteFile(day + "2007-07-21 15.00.00 EA12.txt", "x");
        WriteFile(day + "2007-07-21 15.00.01 EA12.txt", "x");
        EXPECT_FALSE(index.Add(Record(dir.Path() / day / "2007-07-21 15.00.00 EA12.txt"), true));
        MessageRecord next = Record(dir.Path() / day / "2007-07-21 15.00.01 EA12.txt");
        next.time = u"15:00:01";
        EXPECT_TRUE(index.Add(next, true));
        EXPECT_EQ(index.RepeatsOfDay(u"2007-07-21"),
                  std::vector<fs::path>{dir.Path() / day / "2007-07-21 15.00.01 EA12.txt"});
        EXPECT_EQ(index.RowsOfDay(u"2007-07-21").size(), 52u);
        EXPECT_FALSE(index.Filling());
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open("logs/messages.db", &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DELETE FROM messages WHERE station = 'F'; PRAGMA user_version = 0",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    CMessageIndex index(".", all, &notes);
    ASSERT_TRUE(index.Open());
    const std::vector<IndexedMessage> rows = index.RowsOfDay(u"2007-07-21");
    ASSERT_EQ(rows.size(), 52u);
    EXPECT_TRUE(rows.back().counted && rows.back().repeat);
    EXPECT_EQ(notes.notes, std::vector<std::string>{});
}

}  // namespace
}  // namespace wavelore
