// A reception as both programs run it: each chunk routed to the view, the
// framer and store, and the raw log; and two channels side by side on one
// log tree, one index and one upload worker.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/message_index.h"
#include "app/reception/reception.h"
#include "common/clock.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "support/fixtures.h"
#include "support/upload_fakes.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ReadFile;
using test::ScopedTempDir;

LocalTime T(int y, int mo, int d, int h, int mi, int s) {
    return LocalTime{y, mo, d, h, mi, s};
}

class RawView final : public IRawTextView {
  public:
    void AppendRawText(std::u16string_view chunk) override { text += chunk; }
    std::u16string text;
};

class Notes final : public IUserNotifier {
  public:
    void ShowMessage(const std::u16string& text) override { errors.push_back(ToUtf8(text)); }
    std::vector<std::string> errors;
};

struct HandlerRig {
    explicit HandlerRig(const LocalTime& start) : clock(start), reception(Config()) {
        reception.StartLogDay();
    }
    ReceptionConfig Config() {
        ReceptionConfig config;
        config.base = fs::current_path();
        config.clock = &clock;
        config.rawView = &view;
        return config;
    }
    CManualClock clock;
    RawView view;
    CReception reception;
};

TEST(Reception, ARunAcrossMidnightOpensTheNewDaysLogWithTheCompletedLine) {
    ScopedTempDir dir;
    HandlerRig rig(T(2007, 7, 21, 23, 59, 58));
    rig.reception.Handle(u"LATE\r\nBEFORE MID", 1, 0);
    rig.clock.Advance(4);
    rig.reception.Handle(u"NIGHT\r\n", 1, 0);
    EXPECT_EQ(ReadFile("logs/2007-07-21/raw/2007-07-21 23.59.58-raw.txt"),
              "2007/07/21\t23:59:58\tLATE\r\n");
    EXPECT_EQ(ReadFile("logs/2007-07-22/raw/2007-07-22 00.00.02-raw.txt"),
              "2007/07/22\t00:00:02\tBEFORE MIDNIGHT\r\n");
    EXPECT_EQ(rig.reception.LogDay().LogDayTime(), T(2007, 7, 22, 0, 0, 2));
    // Later chunks the same day stay in that file.
    rig.clock.Advance(3600);
    rig.reception.Handle(u"ONE\r\n", 1, 0);
    EXPECT_EQ(ReadFile("logs/2007-07-22/raw/2007-07-22 00.00.02-raw.txt"),
              "2007/07/22\t00:00:02\tBEFORE MIDNIGHT\r\n2007/07/22\t01:00:02\tONE\r\n");
}

TEST(Reception, RoutesEachChunkToViewAssemblerAndLogUntilClosing) {
    ScopedTempDir dir;
    HandlerRig rig(T(2007, 7, 21, 14, 3, 22));
    rig.reception.Handle(DecoderText{u"ZCZC EA12\r\n", 5, 5});
    rig.reception.Handle(u"", 3, 1);  // counted, nothing else
    rig.reception.Handle(DecoderText{u"BODY\r\n", 10, 7});
    EXPECT_EQ(rig.view.text, u"ZCZC EA12\r\nBODY\r\n");
    EXPECT_TRUE(rig.reception.Framer().Receiving());
    EXPECT_EQ(rig.reception.Framer().GoodCount(), 13u);
    EXPECT_EQ(rig.reception.Framer().ErrorCount(), 8u);

    rig.reception.SetClosing();
    rig.reception.Handle(u"NNNN\r\n", 2, 2);
    EXPECT_EQ(rig.view.text, u"ZCZC EA12\r\nBODY\r\n");
    EXPECT_TRUE(rig.reception.Framer().Receiving());  // the end marker never arrived
    EXPECT_EQ(rig.reception.Framer().GoodCount(), 15u);
    EXPECT_FALSE(fs::exists("logs/2007-07-21/2007-07-21 14.03.22 EA12.txt"));
    EXPECT_EQ(ReadFile("logs/2007-07-21/raw/2007-07-21 14.03.22-raw.txt"),
              "2007/07/21\t14:03:22\tZCZC EA12\r\n2007/07/21\t14:03:22\tBODY\r\n");
}

// Two channels of one receiver, fed in turns as their chains deliver:
// each frames, keeps its frame in progress and logs its raw text apart,
// while both store into one day directory, one index and one upload queue.
// A second run sets aside only each channel's own unfinished frame.
TEST(Reception, TwoChannelsWorkSideBySideOnOneLogTree) {
    ScopedTempDir dir;
    CManualClock clock(T(2007, 7, 21, 14, 3, 22));
    Notes notes;
    test::FakeService service;
    ReceptionConfig config;
    config.base = dir.Path();
    config.clock = &clock;
    config.notifier = &notes;
    config.uid = [] { return std::u16string(u"GOOD"); };
    config.host = [] { return std::u16string(u"127.0.0.1"); };
    config.network = test::FakeFactory(service);
    const std::string day = "logs/2007-07-21/";
    const std::string header = "14:03:22 2007-07-21\r\n\r\nZCZC ";
    {
        config.channel = u"518";
        CReception international(config);
        config.channel = u"490";
        CReception national(config, international);
        std::string error;
        ASSERT_TRUE(international.Start(error)) << error;
        ASSERT_TRUE(national.Start(error)) << error;

        international.Handle(u"ZCZC EA12\r\n", 0, 0);
        national.Handle(u"ZCZC IA34\r\n", 0, 0);
        international.Handle(u"GALE WARNING\r\n", 14, 0);
        national.Handle(u"AVIS DE GRAND FRAIS\r\n", 21, 0);
        EXPECT_EQ(ReadFile("incoming 518.txt"), header + "EA12\r\n\nGALE WARNING\r\n");
        EXPECT_EQ(ReadFile("incoming 490.txt"), header + "IA34\r\n\nAVIS DE GRAND FRAIS\r\n");
        international.Handle(u"NNNN\r\n", 4, 0);
        clock.Advance(30);
        national.Handle(u"NNNN\r\nZCZC IB35\r\nCUT OFF", 4, 0);
        international.Handle(u"ZCZC EB13\r\nCUT OFF TOO", 0, 0);

        EXPECT_EQ(ReadFile(day + "2007-07-21 14.03.22 EA12.txt"),
                  header + "EA12\r\n\nGALE WARNING\r\nNNNN");
        EXPECT_EQ(ReadFile(day + "2007-07-21 14.03.22 IA34.txt"),
                  header + "IA34\r\n\nAVIS DE GRAND FRAIS\r\nNNNN");
        // One index knows both, with their counts.
        std::vector<std::string> indexed;
        for (const IndexedMessage& row : international.Bridge().Index().RowsOfDay(u"2007-07-21")) {
            indexed.push_back(ToUtf8(row.identity) + (row.counted ? " counted" : ""));
        }
        EXPECT_EQ(indexed, (std::vector<std::string>{"EA12 counted", "IA34 counted"}));
        // Each raw log holds its own channel's lines.
        EXPECT_EQ(ReadFile(day + "raw/2007-07-21 14.03.22 518-raw.txt"),
                  "2007/07/21\t14:03:22\tZCZC EA12\r\n2007/07/21\t14:03:22\tGALE WARNING\r\n"
                  "2007/07/21\t14:03:22\tNNNN\r\n2007/07/21\t14:03:52\tZCZC EB13\r\n");
        EXPECT_EQ(ReadFile(day + "raw/2007-07-21 14.03.22 490-raw.txt"),
                  "2007/07/21\t14:03:22\tZCZC IA34\r\n2007/07/21\t14:03:22\tAVIS DE GRAND FRAIS\r\n"
                  "2007/07/21\t14:03:52\tNNNN\r\n");
        EXPECT_TRUE(international.Uploads().Finish(5s));
        EXPECT_EQ(international.Uploads().Sent(), 2u);
        EXPECT_FALSE(fs::exists("incoming.txt"));
        national.Finish();
        international.Finish();
        EXPECT_TRUE(national.AllStored() && international.AllStored());
    }
    EXPECT_EQ(ReadFile("incoming 490.txt"), "14:03:52 2007-07-21\r\n\r\nZCZC IB35\r\n\nCUT OFF");

    // The next run: the 518 kHz frame that was cut off is set aside at that
    // channel's first frame; the 490 kHz one waits for its own channel.
    clock.Advance(3600);
    config.channel = u"518";
    CReception international(config);
    config.channel = u"490";
    CReception national(config, international);
    std::string error;
    ASSERT_TRUE(international.Start(error) && national.Start(error)) << error;
    international.Handle(u"ZCZC EC14\r\nNEXT\r\n", 0, 0);
    EXPECT_EQ(ReadFile("incoming 518 2007-07-21 14.03.52 EB13.txt"),
              "14:03:52 2007-07-21\r\n\r\nZCZC EB13\r\n\nCUT OFF TOO");
    EXPECT_EQ(ReadFile("incoming 490.txt"), "14:03:52 2007-07-21\r\n\r\nZCZC IB35\r\n\nCUT OFF");
    EXPECT_TRUE(notes.errors.empty()) << notes.errors.front();
}

}  // namespace
}  // namespace wavelore
