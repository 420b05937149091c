#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/decoder_text_handler.h"
#include "app/log_day.h"
#include "app/message_assembler.h"
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

class RawView final : public IRawTextView {
  public:
    void AppendRawText(std::u16string_view chunk) override { text += chunk; }
    std::u16string text;
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

struct HandlerRig {
    explicit HandlerRig(const LocalTime& start)
        : clock(start),
          assembler(fs::current_path(), clock, {}),
          day(fs::current_path(), nullptr),
          handler(clock, assembler, day, &view) {
        day.StartLogDay(clock.Now());
    }
    CManualClock clock;
    CMessageAssembler assembler;
    CLogDay day;
    RawView view;
    CDecoderTextHandler handler;
};

TEST(DecoderTextHandler, ARunAcrossMidnightOpensTheNewDaysLogWithTheCompletedLine) {
    ScopedTempDir dir;
    HandlerRig rig(T(2007, 7, 21, 23, 59, 58));
    rig.handler.Handle(u"LATE\r\nBEFORE MID", 1, 0);
    rig.clock.Advance(4);
    rig.handler.Handle(u"NIGHT\r\n", 1, 0);
    EXPECT_EQ(ReadFile("logs/2007-07-21/raw/2007-07-21 23.59.58-raw.txt"),
              "2007/07/21\t23:59:58\tLATE\r\n");
    EXPECT_EQ(ReadFile("logs/2007-07-22/raw/2007-07-22 00.00.02-raw.txt"),
              "2007/07/22\t00:00:02\tBEFORE MIDNIGHT\r\n");
    EXPECT_EQ(rig.day.LogDayTime(), T(2007, 7, 22, 0, 0, 2));
    // Later chunks the same day stay in that file.
    rig.clock.Advance(3600);
    rig.handler.Handle(u"ONE\r\n", 1, 0);
    EXPECT_EQ(ReadFile("logs/2007-07-22/raw/2007-07-22 00.00.02-raw.txt"),
              "2007/07/22\t00:00:02\tBEFORE MIDNIGHT\r\n2007/07/22\t01:00:02\tONE\r\n");
}

TEST(DecoderTextHandler, RoutesEachChunkToViewAssemblerAndLogUntilClosing) {
    ScopedTempDir dir;
    HandlerRig rig(T(2007, 7, 21, 14, 3, 22));
    rig.handler.Handle(DecoderText{u"ZCZC EA12\r\n", 5, 5});
    rig.handler.Handle(u"", 3, 1);  // counted, nothing else
    rig.handler.Handle(DecoderText{u"BODY\r\n", 10, 7});
    EXPECT_EQ(rig.view.text, u"ZCZC EA12\r\nBODY\r\n");
    EXPECT_TRUE(rig.assembler.Receiving());
    EXPECT_EQ(rig.assembler.GoodCount(), 13u);
    EXPECT_EQ(rig.assembler.ErrorCount(), 8u);

    rig.handler.SetClosing();
    rig.handler.Handle(u"NNNN\r\n", 2, 2);
    EXPECT_EQ(rig.view.text, u"ZCZC EA12\r\nBODY\r\n");
    EXPECT_TRUE(rig.assembler.Receiving());  // the end marker never arrived
    EXPECT_EQ(rig.assembler.GoodCount(), 15u);
    EXPECT_FALSE(fs::exists("logs/2007-07-21/2007-07-21 14.03.22 EA12.txt"));
    EXPECT_EQ(ReadFile("logs/2007-07-21/raw/2007-07-21 14.03.22-raw.txt"),
              "2007/07/21\t14:03:22\tZCZC EA12\r\n2007/07/21\t14:03:22\tBODY\r\n");
}

}  // namespace
}  // namespace wavelore
