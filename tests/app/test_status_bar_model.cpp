#include <gtest/gtest.h>

#include "app/status_bar_model.h"

namespace wavelore {
namespace {

std::u16string Shown(const UserText& text) {
    return FillUserText(text.format, text.args);
}

TEST(StatusBarModel, SourceModeCentreAndTodaysCount) {
    CStatusBarModel model;
    const LocalTime today{2024, 3, 9, 23, 59, 0};
    const LocalTime tomorrow{2024, 3, 10, 0, 0, 1};
    EXPECT_EQ(Shown(model.GetTexts(today).source), u"No sound source");

    model.SetDevice(u"USB Audio");
    EXPECT_EQ(Shown(model.GetTexts(today).source), u"Sound device: USB Audio");
    model.SetRecording(u"gale.wav", 3725.9);
    model.SetRecordingPosition(65.5);
    EXPECT_EQ(Shown(model.GetTexts(today).source), u"Recording gale.wav: 1:05 of 1:02:05");
    model.SetRecordingEnded();
    EXPECT_EQ(Shown(model.GetTexts(today).source), u"Recording gale.wav: ended");
    model.SetRecording(u"stdin.raw", std::nullopt);  // a new recording starts afresh
    EXPECT_EQ(Shown(model.GetTexts(today).source), u"Recording stdin.raw: 0:00");

    model.SetMode(u"NAVTEX", 100, 170);
    model.SetCentre(1700);
    EXPECT_EQ(Shown(model.GetTexts(today).mode), u"NAVTEX, 100 Bd, shift 170 Hz");
    EXPECT_EQ(Shown(model.GetTexts(today).centre), u"Centre 1700 Hz");
    model.SetMode(u"FAX", 0, 0);
    EXPECT_EQ(Shown(model.GetTexts(today).mode), u"FAX");

    model.SetStoredOnDay(u"2024-03-09", 41);
    model.AddStoredMessage(u"2024-03-09");
    EXPECT_EQ(Shown(model.GetTexts(today).storedToday), u"Messages today: 42");
    // Past midnight the count starts again, with or without a message.
    EXPECT_EQ(model.StoredToday(tomorrow), 0);
    model.AddStoredMessage(u"2024-03-10");
    EXPECT_EQ(model.StoredToday(tomorrow), 1);
    EXPECT_EQ(CStatusBarModel::Duration(-3.0), u"0:00");
}

}  // namespace
}  // namespace wavelore
