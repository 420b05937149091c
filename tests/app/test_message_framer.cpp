// The framer on its own: which text starts, carries, ends or cuts a frame,
// with what header, time and counts, whatever the chunks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/reception/message_framer.h"
#include "common/clock.h"
#include "common/utf.h"

namespace wavelore {
namespace {

// Every event as a line: "start EA12 14:03:22", "text ...", "end EA12
// good/errors quality% text", "cut"; text runs of one frame are joined.
class CEvents final : public IFrameListener {
  public:
    void FrameStarted(const MessageHeader& header, const LocalTime&, Mode) override {
        lines.push_back("start " + ToUtf8(header.b1 + header.b2 + header.number + u" " +
                                          header.time + u" " + header.date));
    }
    void FrameText(std::u16string_view text) override {
        if (lines.empty() || lines.back().rfind("text ", 0) != 0) {
            lines.push_back("text ");
        }
        lines.back() += ToUtf8(text);
    }
    void FrameEnded(MessageRecord r) override {
        lines.push_back("end " + ToUtf8(r.b1 + r.b2 + r.number + u" " + r.time) + " " +
                        std::to_string(r.good) + "/" + std::to_string(r.errors) + " " +
                        std::to_string(r.quality) + "% " + ToUtf8(r.text));
    }
    void FrameCut() override { lines.push_back("cut"); }

    // The frames alone: "EA12 14:03:22 ended ..." with the end's line, or
    // "EA12 cut: text" for one cut after more than the one character of a
    // restart (each character from the last of the header to the body
    // starts the frame again).
    std::vector<std::string> Frames() const {
        std::vector<std::string> frames;
        std::string started;
        std::string text;
        for (const std::string& line : lines) {
            if (line.rfind("start ", 0) == 0) {
                started = line.substr(6, line.find(' ', 6) - 6);
                text.clear();
            } else if (line.rfind("text ", 0) == 0) {
                text += line.substr(5);
            } else if (line.rfind("end ", 0) == 0) {
                frames.push_back(line);
            } else if (FromUtf8(text).size() > 1) {
                frames.push_back(started + " cut: " + text);
            }
        }
        return frames;
    }

    std::vector<std::string> lines;
};

class Framer : public ::testing::Test {
  protected:
    void Feed(std::u16string_view text, int32_t good = 0, int32_t errors = 0) {
        framer.AddCounts(good, errors);
        framer.FeedChunk(text);
    }
    using Lines = std::vector<std::string>;

    CManualClock clock{LocalTime{2007, 7, 21, 14, 3, 22}};
    CEvents events;
    CMessageFramer framer{clock, events};
};

TEST_F(Framer, AFrameRunsFromItsHeaderToTheEndMarkerWithTheCountsOfItsChunks) {
    Feed(u"noise ZCZC EA12\r", 5, 50);
    clock.Advance(1);
    // Each white space before the body restarts the frame with a fresh time.
    Feed(u"\nBODY\r\n", 100, 7);
    Feed(u"NNNN", 10, 0);
    EXPECT_EQ(events.lines, (Lines{"start EA12 14:03:22 2007-07-21", "text 2", "cut",
                                   "start EA12 14:03:22 2007-07-21", "text \r", "cut",
                                   "start EA12 14:03:23 2007-07-21", "text \nBODY\r\nNNNN",
                                   "end EA12 14:03:23 10/0 100% \nBODY\r\nNNNN"}));
    EXPECT_FALSE(framer.Receiving());
    EXPECT_TRUE(framer.MessageText().empty());
}

TEST_F(Framer, OnlyAWellFormedMarkerAndHeaderStartAFrame) {
    // Letters of the marker apart, a garbled header cutting a frame, two
    // starts without an end, four Ns with spaces between, a doubled marker.
    Feed(u"Z C\r\nZ\tC EA12\r\nX\r\nNNNN");
    Feed(u"ZCzC EA12\r\nX\r\nNNNN\r\nzczc EA12\r\nX\r\nnnnn\r\n");
    Feed(u"ZCZC EA12\r\nFIRST PART\r\n");
    Feed(u"ZCZC E1A2\r\nSECOND\r\nNNNN");
    Feed(u"ZCZC FB34\r\nFIRST\r\nZCZC GC56\r\nRUNNING N N\r\nNN ON\r\n");
    Feed(u"RYRY ZCZCZC ND70\r\nX\r\nNNNN");
    EXPECT_EQ(
        events.Frames(),
        (Lines{"end EA12 14:03:22 0/0 0% \nX\r\nNNNN", "EA12 cut: \nFIRST PART\r\nZCZC E1A",
               "FB34 cut: \nFIRST\r\nZCZC GC5", "end GC56 14:03:22 0/0 0% \nRUNNING N N\r\nNN",
               "end ND70 14:03:22 0/0 0% \nX\r\nNNNN"}));
}

TEST_F(Framer, NavtexJHasThreeDigitsAndNarrowsFullwidthHeaders) {
    framer.SetMode(Mode::NavtexJ);
    Feed(u"ZCZC EA123\r\n気象\r\nNNNN");
    Feed(u"ＺＣＺＣ\u3000ＥＡ１２３\r\n本文\r\nＮＮＮＮ", 40, 10);
    Feed(u"ZCZC EA12/\r\nX\r\nNNNN");
    EXPECT_EQ(events.Frames(), (Lines{"end EA123 14:03:22 0/0 0% \n気象\r\nNNNN",
                                      "end EA123 14:03:22 0/0 0% \n本文\r\nＮＮＮＮ",
                                      "end EA12/ 14:03:22 0/0 0% \nX\r\nNNNN"}));
}

TEST_F(Framer, OtherModesNeverEndAFrameButACutDoes) {
    for (const Mode mode : {Mode::Sitor, Mode::Amtor, Mode::Rtty, Mode::Dpsk}) {
        CEvents seen;
        CMessageFramer other(clock, seen);
        other.SetMode(mode);
        other.FeedChunk(u"ZCZC EA12\r\nTEST\r\nNNNN\r\nMORE");
        EXPECT_TRUE(other.Receiving());
        other.Cut();
        EXPECT_FALSE(other.Receiving());
        // No serial number without the NAVTEX realignment, so the header
        // is recognised on the first character of the body.
        EXPECT_EQ(seen.lines,
                  (Lines{"start EA 14:03:22 2007-07-21", "text TEST\r\nNNNN\r\nMORE", "cut"}));
    }
}

TEST_F(Framer, TheSameTextInChunksOfAnySizeGivesTheSameFrames) {
    const std::u16string text =
        u"noise ZCZC EA12\r\nFIRST LINE\r\nSECOND\r\nNNNN\r\n\r\n"
        u"garbage ZC ZC FB34\r\nNNN X ZCZC E\r\nNEXT: ZCZC GD01\r\nRESCUE\r\nNNNN tail";
    std::vector<Lines> runs;
    std::mt19937 rng(3);
    for (int run = 0; run < 4; ++run) {
        CEvents seen;
        CMessageFramer chunked(clock, seen);
        for (size_t i = 0; i < text.size();) {
            const size_t n = run == 0 ? text.size() : run == 1 ? 1 : 1 + rng() % 7;
            chunked.FeedChunk(std::u16string_view(text).substr(i, n));
            i += n;
        }
        runs.push_back(seen.Frames());
    }
    // FB34 is cut by the garbled start "ZCZC E NE..." inside it.
    EXPECT_EQ(runs[0], (Lines{"end EA12 14:03:22 0/0 0% \nFIRST LINE\r\nSECOND\r\nNNNN",
                              "FB34 cut: \nNNN X ZCZC E\r\nNE",
                              "end GD01 14:03:22 0/0 0% \nRESCUE\r\nNNNN"}));
    for (int run = 1; run < 4; ++run) {
        EXPECT_EQ(runs[run], runs[0]) << run;
    }
}

}  // namespace
}  // namespace wavelore
