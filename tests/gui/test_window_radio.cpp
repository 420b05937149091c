// The window receiving from a radio through the real SoapySDR library: our
// test module plays an IQ recording of two NAVTEX channels at its pace, as
// a radio streams. Both channels decode and store while one is shown, and
// when the stream ends, as an unplugged radio's does, the window falls back
// to the sound card as for a sound card that stops.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "app/message_index.h"
#include "app/qt/profile_store_qt.h"
#include "common/clock.h"
#include "gui/color_edit_wnd.h"
#include "gui/main_window.h"
#include "gui/status_bar_wnd.h"
#include "sdr/soapy/soapy_sdr_devices.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"
#include "support/radio_band.h"
#include "system/system_info.h"

namespace wavelore {
namespace {

QAction* MenuItem(QMenuBar* bar, const QString& text) {
    for (QAction* menu : bar->actions()) {
        if (menu->menu() == nullptr) {
            continue;
        }
        for (QAction* item : menu->menu()->actions()) {
            if (item->text() == text) {
                return item;
            }
        }
    }
    return nullptr;
}

TEST(WindowRadio, BothChannelsStoreOneIsShownAndAnEndedStreamFallsBackToTheSoundCard) {
    // Before SoapySDR's first call, which loads the modules.
    setenv("SOAPY_SDR_PLUGIN_PATH", WAVELORE_SOAPY_MODULES, 1);
    test::ScopedTempDir dir;
    const std::string file = (dir.Path() / "band.cu8").string();
    ASSERT_TRUE(test::WriteTwoChannelBand(file));

    // The radio as a user sets it up: arguments the enumeration does not
    // list, its rate and centre, and the radio as the sound source.
    const std::string args = "driver=wavelore_iq_file,file=" + file + ",format=cu8,rate=96000";
    const std::u16string name = u"SDR: " + FromUtf8(args);
    CQtProfileStore profile{dir.Path() / "settings.ini"};
    profile.WriteString(u"Settings", u"UploadHost", test::ClosedUploadHost());
    profile.WriteString(u"Settings", u"SdrArgs", FromUtf8(args));
    profile.WriteString(u"Settings", u"SdrRate", u"96000");
    profile.WriteString(u"Settings", u"SdrCentre", u"504000");
    profile.WriteString(u"Settings", u"SoundDevice", name);
    test::CFakeWaveIn devices;
    test::CRecordingNotifier errors;
    CManualClock clock{LocalTime{2024, 3, 4, 5, 6, 7}};
    CProcSystemFacts facts;
    CSoapySdrDevices radios;
    MainWindowSetup setup(profile, devices, errors, errors, clock, facts, dir.Path());
    setup.radios = &radios;

    CMainWindow window(setup);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Decoding().Channels().size() == 2; }, 5000));
    EXPECT_EQ(window.Decoding().Channels(), (std::vector<double>{490000, 518000}));
    QAction* upper = MenuItem(window.menuBar(), QStringLiteral("518 kHz"));
    ASSERT_NE(upper, nullptr);
    upper->trigger();
    EXPECT_EQ(window.Decoding().ShownFrequency(), 518000);
    const QString status = QString::fromStdU16String(name) + QStringLiteral(": channel 518 kHz");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (const QLabel* label : window.Status()->findChildren<QLabel*>()) {
                if (label->text() == status) {
                    return true;
                }
            }
            return false;
        },
        3000));

    CMessageIndex& index = window.Bridge().Index();
    std::set<int32_t> stored;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            stored.clear();
            for (const IndexedMessage& row : index.RowsOfDay(u"2024-03-04")) {
                stored.insert(row.frequencyHz);
            }
            return stored.size() == 2;
        },
        60000));
    EXPECT_EQ(stored, (std::set<int32_t>{490000, 518000}));
    // The shown channel's text is in the raw data view, the other's is not.
    const std::u16string shown = window.RawView()->Model().Text();
    EXPECT_NE(shown.find(u"UPPER CHANNEL"), std::u16string::npos) << test::Narrow(shown);
    EXPECT_EQ(shown.find(u"LOWER CHANNEL"), std::u16string::npos);
    EXPECT_EQ(profile.GetString(u"Settings", u"SoundDevice", u""), name);

    // The recording played out: the module's stream fails as a radio pulled
    // out does.
    const std::string expected = "There was an error opening sound device \"" + ToUtf8(name) +
                                 "\", switching to device \"Fake 0\"";
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto messages = errors.Messages();
            return std::find(messages.begin(), messages.end(), expected) != messages.end();
        },
        30000))
        << (errors.Messages().empty() ? "" : errors.Messages().front());
    EXPECT_TRUE(window.Decoding().Channels().empty());
    EXPECT_EQ(MenuItem(window.menuBar(), QStringLiteral("518 kHz")), nullptr);
    window.close();
}

}  // namespace
}  // namespace wavelore
