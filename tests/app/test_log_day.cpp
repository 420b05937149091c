#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/log_day.h"
#include "app/raw_log_file.h"
#include "common/clock.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScopedTempDir;

constexpr char kRaw0915[] = "logs/2007-07-21/raw/2007-07-21 09.15.02-raw.txt";

LocalTime T(int y, int mo, int d, int h, int mi, int s) {
    return LocalTime{y, mo, d, h, mi, s};
}

class Notes final : public IUserNotifier {
  public:
    void ShowMessage(const std::u16string& text) override { errors.push_back(ToUtf8(text)); }
    std::vector<std::string> errors;
};

TEST(LogNames, FollowTheTreeLayout) {
    const LocalTime t = T(2007, 7, 21, 9, 15, 2);
    EXPECT_EQ(FormatDate(t), u"2007-07-21");
    EXPECT_EQ(FormatTime(t), u"09:15:02");
    EXPECT_EQ(RawLogRelativePath(t).generic_string(), kRaw0915);
    EXPECT_EQ(FormatRawLine(u"TEXT\r", t), u"2007/07/21\t09:15:02\tTEXT\r\n");
}

TEST(RawLogFile, OpensRelativeToTheCurrentDirectoryAndFlushesEachWrite) {
    ScopedTempDir dir;
    CRawLogFile log;
    EXPECT_FALSE(log.Write(u"nothing open"));
    ASSERT_TRUE(log.Open("raw.txt", false));
    EXPECT_EQ(log.Path(), dir.Path() / "raw.txt");
    EXPECT_TRUE(log.Write(u"気象\n"));
    EXPECT_EQ(ReadFile("raw.txt"), "\xE6\xB0\x97\xE8\xB1\xA1\n");  // UTF-8, no byte-order mark
    ASSERT_TRUE(log.Open("raw.txt", true));
    EXPECT_TRUE(log.Write(u"more\n"));
    EXPECT_EQ(ReadFile("raw.txt"), "\xE6\xB0\x97\xE8\xB1\xA1\nmore\n");
    ASSERT_TRUE(log.Open("raw.txt", false));
    EXPECT_EQ(ReadFile("raw.txt"), "");
    EXPECT_FALSE(log.Open("no/such/dir/raw.txt", true));
    EXPECT_FALSE(log.IsOpen());
}

TEST(LogDay, WritesAtMostOneLinePerChunkAndKeepsTheRest) {
    ScopedTempDir dir;
    CLogDay day(dir.Path(), nullptr);
    const LocalTime t = T(2007, 7, 21, 9, 15, 2);
    ASSERT_TRUE(day.StartLogDay(t));
    EXPECT_TRUE(fs::is_directory("logs/2007-07-21/raw"));
    EXPECT_EQ(ReadFile(kRaw0915), "");

    day.AppendChunk(u"no line feed yet", t);
    EXPECT_EQ(ReadFile(kRaw0915), "");
    day.AppendChunk(u"\r\nLINE 2\r\nLINE 3\r\nLINE", T(2007, 7, 21, 9, 15, 3));
    EXPECT_EQ(ReadFile(kRaw0915), "2007/07/21\t09:15:03\tno line feed yet\r\n");
    EXPECT_EQ(day.PendingLine(), u"LINE 2\r\nLINE 3\r\nLINE");
    day.AppendChunk(u" 4", T(2007, 7, 21, 9, 15, 4));
    day.AppendChunk(u"", T(2007, 7, 21, 9, 15, 5));
    EXPECT_EQ(ReadFile(kRaw0915),
              "2007/07/21\t09:15:03\tno line feed yet\r\n"
              "2007/07/21\t09:15:04\tLINE 2\r\n"
              "2007/07/21\t09:15:05\tLINE 3\r\n");
    // At shutdown the unfinished line is written too, rather than lost.
    day.Close(T(2007, 7, 21, 9, 15, 6));
    EXPECT_EQ(ReadFile(kRaw0915),
              "2007/07/21\t09:15:03\tno line feed yet\r\n"
              "2007/07/21\t09:15:04\tLINE 2\r\n"
              "2007/07/21\t09:15:05\tLINE 3\r\n"
              "2007/07/21\t09:15:06\tLINE 4\n");
}

TEST(LogDay, ASecondStartWithinTheSameSecondAppendsInsteadOfTruncating) {
    ScopedTempDir dir;
    const LocalTime t = T(2007, 7, 21, 9, 15, 2);
    {
        CLogDay first(dir.Path(), nullptr);
        first.StartLogDay(t);
        first.AppendChunk(u"FIRST RUN\r\n", t);
        first.Close(t);
    }
    CLogDay second(dir.Path(), nullptr);
    second.StartLogDay(t);
    second.AppendChunk(u"SECOND RUN\r\n", t);
    EXPECT_EQ(ReadFile(kRaw0915),
              "2007/07/21\t09:15:02\tFIRST RUN\r\n2007/07/21\t09:15:02\tSECOND RUN\r\n");
}

TEST(LogDay, AVanishedLogDirectoryIsCreatedAgainAtTheNextLine) {
    ScopedTempDir dir;
    Notes notes;
    CLogDay day(dir.Path(), &notes);
    const LocalTime t = T(2007, 7, 21, 9, 15, 2);
    day.StartLogDay(t);
    day.AppendChunk(u"BEFORE\r\n", t);
    fs::remove_all("logs");
    day.AppendChunk(u"AFTER\r\n", t);
    EXPECT_EQ(ReadFile(kRaw0915), "2007/07/21\t09:15:02\tAFTER\r\n");
    EXPECT_TRUE(notes.errors.empty());
}

TEST(LogDay, AnUnusableLogDirectoryIsReportedOnceAndRetried) {
    ScopedTempDir dir;
    test::WriteFile("logs", "in the way");
    Notes notes;
    CLogDay day(dir.Path(), &notes);
    const LocalTime t = T(2007, 7, 21, 9, 15, 2);
    EXPECT_FALSE(day.StartLogDay(t));
    day.AppendChunk(u"LOST\r\n", t);
    day.AppendChunk(u"ALSO LOST\r\n", t);
    ASSERT_EQ(notes.errors.size(), 1u);
    EXPECT_NE(notes.errors[0].find("raw log"), std::string::npos);
    fs::remove("logs");
    day.AppendChunk(u"KEPT\r\n", t);
    EXPECT_EQ(ReadFile(kRaw0915), "2007/07/21\t09:15:02\tKEPT\r\n");
}

}  // namespace
}  // namespace wavelore
