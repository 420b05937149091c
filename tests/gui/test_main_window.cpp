// The receiver's window, driven as a user drives it: offscreen, with a
// settings file of its own, scripted sound devices or a played recording.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <set>

#include "app/message_index.h"
#include "app/qt/profile_store_qt.h"
#include "app/settings.h"
#include "audio/alarm_player.h"
#include "common/clock.h"
#include "common/decoder_text.h"
#include "common/message_ids.h"
#include "common/nmea_checksum.h"
#include "display/band_scope.h"
#include "geo/chart_model.h"
#include "gui/band_strip_wnd.h"
#include "gui/chart_pane.h"
#include "gui/chart_wnd.h"
#include "gui/color_edit_wnd.h"
#include "gui/main_window.h"
#include "gui/message_explorer_wnd.h"
#include "gui/message_pane_wnd.h"
#include "gui/status_bar_wnd.h"
#include "gui/system_tray.h"
#include "gui/tip_dialog.h"
#include "gui/upload_id_dialog.h"
#include "gui/waterfall_wnd.h"
#include "net/nmea_tcp_server.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"
#include "support/process_runner.h"
#include "support/upload_wire.h"
#include "synth/synthesizer.h"
#include "synth/wav_writer.h"
#include "system/system_info.h"

namespace wavelore {
namespace {

constexpr const char* kFixedTime = "2024-03-04 05:06:07";

class WindowTest : public ::testing::Test {
  protected:
    WindowTest() { profile.WriteString(u"Settings", u"UploadHost", test::ClosedUploadHost()); }

    MainWindowSetup WindowSetup() {
        return MainWindowSetup(profile, devices, errors, errors, clock, facts, dir.Path());
    }

    template <typename T>
    static T* Find(QWidget& window, const QString& text) {
        for (T* child : window.findChildren<T*>()) {
            if (child->text() == text) {
                return child;
            }
        }
        ADD_FAILURE() << "no control " << text.toStdString();
        return nullptr;
    }

    std::u16string Setting(const char16_t* name) {
        return profile.GetString(u"Settings", name, u"(none)");
    }

    test::ScopedTempDir dir;
    CQtProfileStore profile{dir.Path() / "settings.ini"};
    test::CFakeWaveIn devices;
    test::CRecordingNotifier errors;
    CManualClock clock{LocalTime{2024, 3, 4, 5, 6, 7}};
    CProcSystemFacts facts;
};

synth::Recording Broadcast(double centre, std::vector<synth::NavtexMessage> messages) {
    synth::SynthOptions options;
    options.centreHz = centre;
    options.snrDb = 20.0;
    options.seed = 11;
    return synth::SynthesizeBroadcast(synth::SynthMode::SitorB, messages, options)
        .value_or(synth::Recording{});
}

// Every file under root, by its path relative to root, but the message
// index (a database, not comparable byte for byte).
std::map<std::string, std::string> FilesUnder(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && entry.path().filename() != "messages.db") {
            files[entry.path().lexically_relative(root).string()] = test::ReadFile(entry.path());
        }
    }
    return files;
}

TEST_F(WindowTest, EmptySettingsStartNavtexAt1700AndShutdownWritesTheFrequency) {
    CMainWindow window(WindowSetup());
    window.show();
    EXPECT_EQ(window.windowTitle(), "Tarvolt Wavelore v2.1.2");
    EXPECT_EQ(window.minimumSize(), QSize(720, 470));
    EXPECT_EQ(window.Spectrum()->GetCentre(), 1700);
    EXPECT_EQ(window.Spectrum()->Model().HalfShift(), 85);
    EXPECT_TRUE(window.Decoding().Tuning().AutoTune());
    for (const char* checked : {"NAVTEX", "100 baud", "170 Hz shift", "Fake 0"}) {
        EXPECT_TRUE(Find<QAction>(window, checked)->isChecked()) << checked;
    }
    for (const char* box : {"AFC", "Strict FEC", "SmartTune"}) {
        EXPECT_TRUE(Find<QCheckBox>(window, box)->isChecked()) << box;
        EXPECT_TRUE(Find<QCheckBox>(window, box)->isEnabled()) << box;
    }
    EXPECT_FALSE(Find<QCheckBox>(window, "Invert")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(window, "NAVTEX-J")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(window, "Raw data")->isChecked());

    // The start-up report arrives as decoded text.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.RawView()->Model().Text().empty(); }, 5000));
    EXPECT_EQ(window.RawView()->Model().Text().find(u"Tarvolt Wavelore v2.1.2 - "), 0u);

    // The stored device was never chosen: device 0 is stored once it works.
    EXPECT_EQ(Setting(u"SoundDevice"), u"(none)");
    ASSERT_TRUE(devices.Deliver({0}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Setting(u"SoundDevice") == u"Fake 0"; }, 5000));

    // Sound lost to an overflow shows beside the load from the next buffer
    // on, a sample as a tenth of a second.
    const auto lostShown = [&] {
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            if (label->text().startsWith("Lost:") && label->isVisible()) {
                return label->text();
            }
        }
        return QString();
    };
    EXPECT_EQ(lostShown(), "");
    devices.samplesLost = 11025 * 2 + 1;
    ASSERT_TRUE(devices.Deliver({0}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lostShown().isEmpty(); }, 5000));
    EXPECT_EQ(lostShown(), "Lost: 2.1 s");

    // Escape and Enter leave the window open.
    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());

    // NAVTEX-J leaves NAVTEX, saving its values; the menu takes it back.
    QTest::mouseClick(Find<QCheckBox>(window, "NAVTEX-J"), Qt::LeftButton);
    EXPECT_EQ(Setting(u"MODE"), u"NAVTEX-J");
    EXPECT_EQ(Setting(u"NAVTEX-BAUD"), u"100");
    EXPECT_FALSE(Find<QAction>(window, "NAVTEX")->isChecked());
    EXPECT_TRUE(Find<QAction>(window, "100 baud")->isChecked());
    Find<QAction>(window, "NAVTEX")->trigger();
    EXPECT_EQ(Setting(u"MODE"), u"NAVTEX");
    EXPECT_FALSE(Find<QCheckBox>(window, "NAVTEX-J")->isChecked());

    // A stored message, read back; one that cannot be read says so.
    test::WriteFile("stored.txt", "ZCZC GA23\r\nK\xC3\x96LN\r\n");
    window.Target().Post(
        Message::With(WM_SHOW_MESSAGE, 0, 0, std::filesystem::path(dir.Path() / "stored.txt")));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Find<QRadioButton>(window, "Messages")->isChecked(); }, 5000));
    EXPECT_NE(window.MessagesView()->Model().Text().find(u"K\u00D6LN"), std::u16string::npos);
    window.ShowStoredMessage(dir.Path() / "missing.txt");
    EXPECT_EQ(window.MessagesView()->Model().Text(), u"Error opening message file");

    window.close();
    EXPECT_TRUE(window.Closing());
    EXPECT_EQ(Setting(u"Frequency"), u"1700");
    EXPECT_TRUE(errors.Messages().empty());
}

// A recording buffer by buffer, as a sound card gives it.
void DeliverAll(test::CFakeWaveIn& devices, const std::vector<int16_t>& samples) {
    for (size_t at = 0; at + 2048 <= samples.size();) {
        const std::vector<int16_t> block(samples.begin() + at, samples.begin() + at + 2048);
        if (devices.Deliver(block)) {
            at += 2048;
        } else {
            QTest::qWait(1);
        }
    }
}

bool RawTextHas(const CMainWindow& window, std::u16string_view text) {
    return window.RawView()->Model().Text().find(text) != std::u16string::npos;
}

TEST_F(WindowTest, SettingsItCannotUseReadAsTheirDefaultsAndAreSaidInOneNotice) {
    const std::vector<std::pair<std::u16string, std::u16string>> bad = {
        {u"NAVTEX-BAUD", u"abc"}, {u"NAVTEX-SHIFT", u"11000"}, {u"Frequency", u"abc"},
        {u"PaneSplit", u"-5"},    {u"NavArea", u"99"},         {u"NmeaPort", u"0"},
        {u"StrictFEC", u"abc"},   {u"SITOR-BAUD", u"0"},       {u"NmeaClients", u"many"}};
    for (const auto& [name, value] : bad) {
        profile.WriteString(u"Settings", name, value);
    }
    const auto audio = Broadcast(1700.0, {{u"EA12", u"DECODED WITH THE DEFAULTS"}});
    ASSERT_FALSE(audio.samples.empty());
    CMainWindow window(WindowSetup());
    window.show();
    EXPECT_EQ(window.Spectrum()->GetCentre(), 1700);
    EXPECT_EQ(window.Spectrum()->Model().HalfShift(), 85);
    for (const char* checked : {"100 baud", "170 Hz shift"}) {
        EXPECT_TRUE(Find<QAction>(window, checked)->isChecked()) << checked;
    }
    EXPECT_TRUE(Find<QCheckBox>(window, "Strict FEC")->isChecked());
    EXPECT_NE(Find<QAction>(window, "NMEA output on TCP port 10110"), nullptr);
    DeliverAll(devices, audio.samples);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return RawTextHas(window, u"DECODED WITH THE DEFAULTS"); }, 10000));

    // One notice naming each value read so far, and nothing about the sound
    // card; the SITOR value is said when SITOR is chosen.
    ASSERT_EQ(errors.Messages().size(), 1u);
    const std::string notice = errors.Messages()[0];
    for (const char* said :
         {"NAVTEX-BAUD is \"abc\", which is not a number from 10 to 1200; 100 is used",
          "NAVTEX-SHIFT is \"11000\", which is not a number from 10 to 2000; 170 is used",
          "Frequency is \"abc\"", "PaneSplit is \"-5\"", "NavArea is \"99\"", "NmeaPort is \"0\"",
          "StrictFEC is \"abc\"",
          "NmeaClients is \"many\", which is not a number from 1 to 1024"}) {
        EXPECT_NE(notice.find(said), std::string::npos) << said << " in " << notice;
    }
    EXPECT_EQ(std::count(notice.begin(), notice.end(), '\n'), 7) << notice;
    Find<QAction>(window, "SITOR")->trigger();
    Find<QAction>(window, "NAVTEX")->trigger();
    ASSERT_EQ(errors.Messages().size(), 2u);
    EXPECT_EQ(errors.Messages()[1],
              "The setting SITOR-BAUD is \"0\", which is not a number from 10 to 1200; 100 is "
              "used instead.");
}

TEST_F(WindowTest, AClickOnTheStripRetunesTheDecoder) {
    profile.WriteInt(u"Settings", u"SmartTune", 0);
    const auto audio = Broadcast(1500.0, {{u"EA12", u"RETUNED BY A CLICK"}});
    ASSERT_FALSE(audio.samples.empty());
    CMainWindow window(WindowSetup());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    CSpectrumWnd* strip = window.Spectrum();
    const int x = CBandScope::ColumnOfFrequency(1500, strip->width());
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(x, strip->height() / 2));
    const int32_t centre = strip->GetCentre();
    EXPECT_NEAR(centre, 1500, 6);

    DeliverAll(devices, audio.samples);
    ASSERT_TRUE(QTest::qWaitFor([&] { return RawTextHas(window, u"RETUNED BY A CLICK"); }, 10000));
    window.close();
    EXPECT_EQ(Setting(u"Frequency"), DecimalText(centre));
}

TEST_F(WindowTest, TheEnhancedDecoderTunesToACleanSignalAndDecodesIt) {
    profile.WriteInt(u"Settings", u"Enhanced", 1);
    synth::SynthOptions options;
    options.centreHz = 1234.0;  // no noise: the keying fills the valley between the tones
    const auto audio = synth::SynthesizeBroadcast(
        synth::SynthMode::SitorB, {{u"EA12", u"FOUND BY THE PAIR SEARCH"}}, options, 6.0);
    ASSERT_TRUE(audio);
    CMainWindow window(WindowSetup());
    window.show();
    QAction* item = Find<QAction>(window, "Enhanced decoder");
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(window.Decoding().EnhancedChain());

    // From 1700 Hz: the strip's search finds the tones while the phasing
    // runs, and the weak-signal chain decodes the message.
    DeliverAll(devices, audio->samples);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return RawTextHas(window, u"FOUND BY THE PAIR SEARCH"); }, 10000))
        << test::Narrow(window.RawView()->Model().Text());
    EXPECT_NEAR(window.Spectrum()->GetCentre(), 1234, 4);

    item->trigger();
    EXPECT_EQ(Setting(u"Enhanced"), u"0");
    EXPECT_FALSE(window.Decoding().EnhancedChain());
    EXPECT_EQ(window.Decoding().Tuning().CurrentSearch(), CTuningPolicy::Search::Valley);
    window.close();
}

TEST_F(WindowTest, PlayingARecordingStoresWhatTheCommandLineReceiverStores) {
    const auto audio =
        Broadcast(1700.0, {{u"GA23", u"WINDOW TEST\nSECOND LINE"}, {u"EB45", u"ANOTHER MESSAGE"}});
    ASSERT_TRUE(synth::WriteWav("broadcast.wav", audio.samples, 11025));
    std::filesystem::create_directory("gui");
    MainWindowSetup setup = WindowSetup();
    setup.workDir = dir.Path() / "gui";
    setup.play = (dir.Path() / "broadcast.wav").string();
    setup.fast = true;
    devices.numDevs = 0;  // a recording needs no sound card
    std::u16string shown;
    {
        CMainWindow window(setup);
        window.show();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return window.Decoding().Recording() && window.Decoding().Recording()->Ended(); },
            60000));
        // The last buffers are still on their way.
        QTest::qWait(500);
        shown = window.RawView()->Model().Text();
        EXPECT_TRUE(Find<QAction>(window, "broadcast.wav")->isChecked());
        window.close();
        // The recording ended, and the window stayed open until closed.
        EXPECT_TRUE(errors.Messages().empty()) << errors.Messages().front();
    }
    EXPECT_NE(shown.find(u"ZCZC GA23"), std::u16string::npos) << test::Narrow(shown);
    EXPECT_NE(shown.find(u"ANOTHER MESSAGE"), std::u16string::npos);
    // Playing a recording stores no sound device.
    EXPECT_EQ(Setting(u"SoundDevice"), u"(none)");

    test::ProcessOptions options;
    options.environment = {{"WAVELORE_FIXED_TIME", kFixedTime}};
    const test::ProcessResult cli = test::RunProcess(
        test::ShellQuote(test::DecodeTool()) + " --play broadcast.wav --fast --smarttune --dir cli",
        options);
    ASSERT_EQ(cli.exitCode, 0) << cli.err;

    const auto gui = FilesUnder("gui");
    const auto expected = FilesUnder("cli");
    ASSERT_EQ(gui.size(), expected.size());
    int messages = 0;
    for (const auto& [path, bytes] : expected) {
        ASSERT_TRUE(gui.count(path)) << path;
        if (path.find("/raw/") == std::string::npos) {
            EXPECT_EQ(gui.at(path), bytes) << path;
            messages += path.size() > 4 && path.substr(path.size() - 4) == ".txt";
            continue;
        }
        // The raw log also holds the start-up report, ahead of the same lines.
        const std::string& raw = gui.at(path);
        ASSERT_GT(raw.size(), bytes.size());
        EXPECT_EQ(raw.substr(raw.size() - bytes.size()), bytes);
        EXPECT_NE(raw.find("\tTarvolt Wavelore v2.1.2 - "), std::string::npos) << raw;
    }
    EXPECT_EQ(messages, 2);
}

TEST_F(WindowTest, DevicesThatNeverDeliverFallBackUntilDecodingCannotContinue) {
    devices.numDevs = 2;
    CMainWindow window(WindowSetup());
    window.show();
    // Each watchdog period (2 s) without a buffer moves on.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 20000));
    EXPECT_EQ(errors.Messages(),
              (std::vector<std::string>{
                  "There was an error opening sound device \"Fake 0\", switching to device "
                  "\"Fake 1\"",
                  "There was an error opening device \"Fake 1\".\nNo other sound devices are "
                  "available.\nDecoding cannot continue."}));
    EXPECT_TRUE(Find<QAction>(window, "Fake 1")->isChecked());
    EXPECT_EQ(devices.opens, 2);
    EXPECT_EQ(Setting(u"SoundDevice"), u"(none)");
}

TEST_F(WindowTest, WithoutASoundCardTheWindowStaysOpenForARecordingAndSaysSoOnce) {
    devices.numDevs = 0;
    CMainWindow window(WindowSetup());
    window.show();
    // Longer than the start-up watchdog, which would have given up by now.
    QTest::qWait(2500);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.Closing());
    EXPECT_EQ(errors.Messages(), std::vector<std::string>{"No sound devices found"});
    EXPECT_TRUE(Find<QAction>(window, "Open recording...")->isEnabled());
    EXPECT_EQ(devices.opens, 0);
    window.close();
}

TEST_F(WindowTest, AfcAndSmartTuneShowTheOneSearchThatRuns) {
    // Stored apart: the search that runs at start is SmartTune's, and both
    // boxes show it.
    profile.WriteInt(u"Settings", u"SmartTune", 0);
    profile.WriteInt(u"Settings", u"AFC", 1);
    CMainWindow window(WindowSetup());
    window.show();
    QCheckBox* afc = Find<QCheckBox>(window, "AFC");
    QCheckBox* smartTune = Find<QCheckBox>(window, "SmartTune");
    const auto shown = [&] {
        EXPECT_EQ(afc->isChecked(), window.Decoding().Tuning().AutoTune());
        EXPECT_EQ(smartTune->isChecked(), window.Decoding().Tuning().AutoTune());
        return window.Decoding().Tuning().AutoTune();
    };
    EXPECT_FALSE(shown());
    QTest::mouseClick(afc, Qt::LeftButton);
    EXPECT_TRUE(shown());
    QTest::mouseClick(smartTune, Qt::LeftButton);
    EXPECT_FALSE(shown());
    QTest::mouseClick(smartTune, Qt::LeftButton);
    EXPECT_TRUE(shown());
    EXPECT_EQ(Setting(u"AFC"), u"1");
    EXPECT_EQ(Setting(u"SmartTune"), u"1");
    window.close();
}

TEST_F(WindowTest, ExitFromTheNotificationAreaEndsTheProgram) {
    CMainWindow window(WindowSetup());
    window.show();
    // In the notification area the window is hidden: closing it is not
    // closing the last visible window, yet the program ends.
    window.hide();
    bool timedOut = false;
    QObject watch;  // no stray timeout in later tests
    QTimer::singleShot(0, &window, [&] { window.Tray()->ExitAction()->trigger(); });
    QTimer::singleShot(20000, &watch, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(window.Closing());
    EXPECT_TRUE(window.Tray()->Hidden());
    EXPECT_EQ(Setting(u"Frequency"), u"1700");
}

// Waits for done while the sound card keeps delivering silence, so that no
// start-up watchdog gives up on it.
bool WaitDelivering(test::CFakeWaveIn& devices, const std::function<bool()>& done) {
    return QTest::qWaitFor(
        [&] {
            devices.Deliver({0});
            return done();
        },
        20000);
}

TEST_F(WindowTest, AMessageStoredWhileRunningJoinsTheExplorerAndOpensInTheMessagesView) {
    std::filesystem::create_directories("logs/2024-03-03");
    std::filesystem::create_directories("logs/2024-03-04");
    CMainWindow window(WindowSetup());
    window.show();
    QTreeWidget* list = window.Explorer()->MessageList();
    ASSERT_EQ(window.Explorer()->DayTree()->currentItem()->text(0), "2024-03-04");
    ASSERT_EQ(list->topLevelItemCount(), 0);

    DecoderText text;
    text.text = u"ZCZC EA12\r\nGALE WARNING\r\nNNNN\r\n";
    window.Target().Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(text)));
    ASSERT_TRUE(WaitDelivering(devices, [&] { return list->topLevelItemCount() == 1; }));
    const QTreeWidgetItem* row = list->topLevelItem(0);
    EXPECT_EQ(row->text(0), "12");
    EXPECT_EQ(row->text(3), "05:06:07");
    EXPECT_EQ(row->text(4), "Nav warning");
    // At the first size the category is in view.
    EXPECT_LT(list->visualRect(list->model()->index(0, 4)).right(), list->viewport()->width());

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
    EXPECT_TRUE(Find<QRadioButton>(window, "Messages")->isChecked());
    const std::u16string shown = window.MessagesView()->Model().Text();
    EXPECT_EQ(shown.find(u"05:06:07 2024-03-04"), 0u) << test::Narrow(shown);
    EXPECT_NE(shown.find(u"GALE WARNING"), std::u16string::npos);
    window.close();
}

TEST_F(WindowTest, TheWaterfallTunesAndAWarningOnTheChartOpensItsMessage) {
    std::filesystem::create_directories("logs/2024-03-04");
    CMainWindow window(WindowSetup());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    auto* waterfall = window.findChild<CWaterfallWnd*>();
    ASSERT_NE(waterfall, nullptr);
    ASSERT_TRUE(waterfall->isVisible());
    const int x = CBandScope::ColumnOfFrequency(1500, waterfall->width());
    QTest::mouseClick(waterfall, Qt::LeftButton, {}, QPoint(x, waterfall->height() / 2));
    EXPECT_NEAR(window.Spectrum()->GetCentre(), 1500, 6);
    EXPECT_EQ(waterfall->Model().GetCentre(), window.Spectrum()->GetCentre());

    QTreeWidget* list = window.Explorer()->MessageList();
    DecoderText text;
    text.text = u"ZCZC GA12\r\nWRECK IN POSITION 54-12.5N 003-40.2E\r\nNNNN\r\n";
    window.Target().Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(text)));
    ASSERT_TRUE(WaitDelivering(devices, [&] { return list->topLevelItemCount() == 1; }));

    Find<QAction>(window, "C&hart")->trigger();
    auto* pane = window.findChild<CChartPane*>();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pane));
    CChartWnd* chart = pane->Chart();
    ASSERT_EQ(chart->Model().Warnings().size(), 1u);

    // Chosen in the explorer, the warning comes into view; clicked on the
    // chart, its message opens.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(0)).center());
    Find<QRadioButton>(window, "Raw data")->click();
    const WorldPoint at = chart->Model().View().ToScreen(Project({54.208, 3.67}));
    QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(int(at.x), int(at.y)));
    EXPECT_TRUE(Find<QRadioButton>(window, "Messages")->isChecked());
    const std::u16string shown = window.MessagesView()->Model().Text();
    EXPECT_NE(shown.find(u"WRECK IN POSITION"), std::u16string::npos) << test::Narrow(shown);
    window.close();
}

// A received message as the decoder hands it over: the header, then the
// rest with every character counted good.
void PostMessageText(CMainWindow& window, const std::u16string& header,
                     const std::u16string& body) {
    DecoderText start;
    start.text = u"ZCZC " + header + u"\r\n";
    window.Target().Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(start)));
    DecoderText rest;
    rest.text = body + u"\r\nNNNN\r\n";
    rest.good = static_cast<int32_t>(rest.text.size());
    window.Target().Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(rest)));
}

// The alarm's sound, as calls.
class CFakeAlarmSound final : public IAlarmSound {
  public:
    bool Start(std::chrono::seconds, std::string&) override {
        ++starts;
        sounding = true;
        return true;
    }
    void Stop() override { sounding = false; }
    bool Sounding() const override { return sounding; }

    int starts = 0;
    bool sounding = false;
};

// What has arrived on a connection so far.
std::string Received(int fd, std::string& bytes) {
    char buffer[4096];
    ssize_t n;
    while ((n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
}

TEST_F(WindowTest, ASearchAndRescueMessageAlarmsOnceAndItsRepeatIsIndexedGreyAndNotSentOn) {
    profile.WriteString(u"Settings", u"Stations", u"E");
    // The NMEA port is taken: said, and the output stays off.
    CNmeaTcpServer taken;
    std::string error;
    ASSERT_TRUE(taken.Start(0, error)) << error;
    profile.WriteInt(u"Settings", u"NmeaOutput", 1);
    profile.WriteInt(u"Settings", u"NmeaPort", taken.Port());
    std::filesystem::create_directories("logs/2024-03-04");
    CFakeAlarmSound sound;
    MainWindowSetup setup = WindowSetup();
    setup.alarmSound = &sound;
    CMainWindow window(setup);
    window.show();
    ASSERT_EQ(errors.Messages().size(), 1u);
    EXPECT_NE(errors.Messages()[0].find("The NMEA output is off: cannot listen on TCP port"),
              std::string::npos);
    const QString nmeaItem = QStringLiteral("NMEA output on TCP port %1").arg(taken.Port());
    EXPECT_FALSE(Find<QAction>(window, nmeaItem)->isChecked());

    QTreeWidget* list = window.Explorer()->MessageList();
    CMessageIndex& index = window.Bridge().Index();
    const auto indexed = [&] { return index.RowsOfDay(u"2024-03-04"); };
    QAction* silence = Find<QAction>(window, "Silence alarm");
    EXPECT_TRUE(Find<QAction>(window, "SAR alarm")->isChecked());
    EXPECT_FALSE(silence->isEnabled());

    PostMessageText(window, u"ED12", u"MAYDAY RELAY");
    ASSERT_TRUE(WaitDelivering(devices, [&] { return list->topLevelItemCount() == 1; }));
    const QTreeWidgetItem* first = list->topLevelItem(0);
    EXPECT_EQ(first->text(1), "E Niton");
    EXPECT_EQ(first->toolTip(1), "518 kHz");
    EXPECT_EQ(window.Alarm().Raised(), 1);
    EXPECT_TRUE(sound.sounding);
    EXPECT_TRUE(silence->isEnabled());
    silence->trigger();
    EXPECT_FALSE(sound.sounding);
    EXPECT_FALSE(silence->isEnabled());

    // Four hours on, the same message again: a repeat. Search and rescue
    // from a station outside the selection. Both indexed, hidden, silent.
    clock.Advance(4 * 3600);
    PostMessageText(window, u"ED12", u"MAYDAY RELAY");
    clock.Advance(60);
    PostMessageText(window, u"FD01", u"OTHER STATION");
    ASSERT_TRUE(WaitDelivering(devices, [&] { return indexed().size() == 3; }));
    EXPECT_EQ(list->topLevelItemCount(), 1);
    const std::vector<IndexedMessage> rows = indexed();
    EXPECT_FALSE(rows[0].repeat);
    EXPECT_TRUE(rows[1].repeat);
    EXPECT_FALSE(rows[2].selected);
    EXPECT_EQ(window.Alarm().Raised(), 1);
    EXPECT_EQ(sound.starts, 1);

    QAction* hide = Find<QAction>(window, "Hide repeats");
    EXPECT_TRUE(hide->isChecked());
    hide->trigger();
    EXPECT_EQ(Setting(u"HideRepeats"), u"0");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->foreground(0).color(), QColor(128, 128, 128));
    Find<QAction>(window, "Show all messages")->trigger();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(2)->text(1), "F Talinn");
    EXPECT_TRUE(list->topLevelItem(2)->font(0).italic());

    // Another port, chosen in the window: a chart plotter there gets the
    // next new message.
    const int port = test::UnusedLoopbackPort();
    Find<QAction>(window, "NMEA port...")->trigger();
    auto* portDialog = window.findChild<QInputDialog*>();
    ASSERT_NE(portDialog, nullptr);
    portDialog->setIntValue(port);
    portDialog->accept();
    EXPECT_EQ(Setting(u"NmeaPort"), DecimalText(port));
    EXPECT_TRUE(
        Find<QAction>(window, QStringLiteral("NMEA output on TCP port %1").arg(port))->isChecked());
    const int plotter = test::ConnectLoopback(port);
    ASSERT_GE(plotter, 0);

    // The index deleted while the receiver runs: rebuilt at the next
    // message, which is not lost, and the repeat keeps its mark.
    ASSERT_TRUE(std::filesystem::remove(index.DatabasePath()));
    clock.Advance(60);
    PostMessageText(window, u"EA13", u"NEW WARNING");
    std::string sentences;
    ASSERT_TRUE(WaitDelivering(devices, [&] {
        return Received(plotter, sentences).find("NEW WARNING") != std::string::npos;
    })) << sentences;
    close(plotter);
    // The first search-and-rescue message took id 00 while nobody listened.
    EXPECT_EQ(sentences.find("$CRNRX,001,001,01,EA13,"), 0u) << sentences;
    EXPECT_EQ(list->topLevelItemCount(), 4);
    ASSERT_EQ(indexed().size(), 4u);
    EXPECT_TRUE(indexed()[1].repeat);
    ASSERT_EQ(errors.Messages().size(), 2u);
    EXPECT_NE(errors.Messages()[1].find("was removed or replaced while in use"), std::string::npos);
    window.close();
}

// The dialog the last menu item opened, once the ones closed before are gone.
QInputDialog* OpenedDialog(QWidget& window) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.findChild<QInputDialog*>();
}

TEST_F(WindowTest, TheNmeaOutputListensWhereChosenAndServesAsManyPlottersAsChosen) {
    const int port = test::UnusedLoopbackPort();
    profile.WriteInt(u"Settings", u"NmeaOutput", 1);
    profile.WriteInt(u"Settings", u"NmeaPort", port);
    CMainWindow window(WindowSetup());
    window.show();
    const CNmeaTcpServer& server = window.Bridge().NmeaTcp();
    EXPECT_EQ(server.Configuration().bindAddress, "");  // every address
    EXPECT_EQ(server.Configuration().maxClients, 32u);

    // A name is not an address: said, and nothing changes.
    Find<QAction>(window, "NMEA address...")->trigger();
    QInputDialog* dialog = OpenedDialog(window);
    ASSERT_NE(dialog, nullptr);
    dialog->setTextValue("boat.local");
    dialog->accept();
    ASSERT_EQ(errors.Messages().size(), 1u);
    EXPECT_EQ(errors.Messages()[0].find("boat.local is not an IP address"), 0u);
    EXPECT_EQ(Setting(u"NmeaBind"), u"(none)");

    // This computer alone, one plotter at a time.
    Find<QAction>(window, "NMEA address...")->trigger();
    dialog = OpenedDialog(window);
    ASSERT_NE(dialog, nullptr);
    dialog->setTextValue(" 127.0.0.1 ");
    dialog->accept();
    Find<QAction>(window, "NMEA clients...")->trigger();
    dialog = OpenedDialog(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->intValue(), 32);
    dialog->setIntValue(1);
    dialog->accept();
    EXPECT_EQ(Setting(u"NmeaBind"), u"127.0.0.1");
    EXPECT_EQ(Setting(u"NmeaClients"), u"1");
    EXPECT_EQ(server.Configuration().bindAddress, "127.0.0.1");
    EXPECT_EQ(server.Configuration().maxClients, 1u);
    EXPECT_TRUE(
        Find<QAction>(window, QStringLiteral("NMEA output on TCP port %1").arg(port))->isChecked());
    const int plotter = test::ConnectLoopback(port);
    ASSERT_GE(plotter, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Clients() == 1; }, 5000));
    const int another = test::ConnectLoopback(port);
    ASSERT_GE(another, 0);
    EXPECT_EQ(test::ReadToEnd(another), "");  // refused
    EXPECT_EQ(server.Clients(), 1u);
    close(another);
    close(plotter);
    EXPECT_EQ(errors.Messages().size(), 1u);
    window.close();
}

TEST_F(WindowTest, TheSplitterDragIsStoredAndSitorSlidesTheExplorerShutAndNavtexOpen) {
    CMainWindow window(WindowSetup());
    window.resize(800, 560);
    window.show();
    CMessagePaneWnd* pane = window.Pane();
    QWidget* explorer = window.Explorer();
    const int y = explorer->y() + 40;
    const int bar = pane->Geometry().splitter.left + 5;
    QTest::mousePress(pane, Qt::LeftButton, {}, QPoint(bar, y));
    QTest::mouseMove(pane, QPoint(bar - 100, y));
    QTest::mouseRelease(pane, Qt::LeftButton, {}, QPoint(bar - 100, y));
    const int32_t share = (bar - 100) * 1000 / pane->width();
    EXPECT_NEAR(DecimalValue(Setting(u"PaneSplit")), share, 1);
    const QRect open = explorer->geometry();

    // Each 40 ms step narrows the explorer until the text takes the width.
    std::set<int> widths;
    Find<QAction>(window, "SITOR")->trigger();
    EXPECT_FALSE(Find<QRadioButton>(window, "Raw data")->isVisible());
    ASSERT_TRUE(WaitDelivering(devices, [&] {
        widths.insert(explorer->width());
        return pane->Pane().PaneMode() == CPaneLayout::Mode::Closed;
    }));
    EXPECT_GT(widths.size(), 10u);
    EXPECT_EQ(explorer->width(), 0);

    Find<QAction>(window, "NAVTEX")->trigger();
    EXPECT_TRUE(Find<QRadioButton>(window, "Raw data")->isVisible());
    ASSERT_TRUE(WaitDelivering(devices,
                               [&] { return pane->Pane().PaneMode() == CPaneLayout::Mode::Open; }));
    EXPECT_EQ(explorer->geometry(), open);
    window.close();

    // The next start puts the bar where the drag left it, to the per mille.
    CMainWindow again(WindowSetup());
    again.resize(800, 560);
    again.show();
    EXPECT_NEAR(again.Explorer()->x(), open.x(), 1);
    again.close();
}

TEST_F(WindowTest, UploadsTipsAndTheVersionCheckRunWithTheWindow) {
    test::LoopbackServer service;
    service.SetReply(test::LoopbackServer::Reply("200 OK", "2,The service moves next week."));
    const std::string host = service.Host();
    profile.WriteString(u"Settings", u"UID", u"0123ABCD-EF01-2345-6789-ABCDEFABCDEF");
    profile.WriteString(u"Settings", u"UploadHost", std::u16string(host.begin(), host.end()));
    test::WriteFile(dir.Path() / "tips.txt", "First tip\nSecond tip\n");
    std::vector<MessageBoxContent> boxes;
    MainWindowSetup setup = WindowSetup();
    setup.boxes = [&](QWidget*, const MessageBoxContent& content) {
        boxes.push_back(content);
        return QMessageBox::Ok;
    };
    CMainWindow window(setup);
    window.show();

    // The version check's answer, and the tip after the one the start-up
    // moved past.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.empty(); }, 10000));
    EXPECT_EQ(boxes[0].caption, "Information");
    EXPECT_EQ(boxes[0].text, "The service moves next week.");
    EXPECT_EQ(test::PartValue(service.Requests().at(0), "VERSIONCHECK"), "TRUE");
    CTipDialog* tip = window.findChild<CTipDialog*>();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->TipLabel()->text(), "Second tip");
    QTest::mouseClick(tip->CloseButton(), Qt::LeftButton);

    // A completed message goes to the stored service under the stored ID.
    service.SetReply(test::LoopbackServer::Reply("200 OK", "OK"));
    DecoderText text;
    text.text = u"ZCZC EA12\r\nGALE WARNING\r\nNNNN\r\n";
    window.Target().Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(text)));
    ASSERT_TRUE(WaitDelivering(devices, [&] { return window.Uploads().Delivered() == 1; }));
    ASSERT_EQ(service.RequestCount(), 2u);
    const std::string upload = service.Requests()[1];
    EXPECT_EQ(test::PartValue(upload, "UID"), "0123ABCD-EF01-2345-6789-ABCDEFABCDEF");
    EXPECT_EQ(test::PartValue(upload, "STATION") + test::PartValue(upload, "TYPE") +
                  test::PartValue(upload, "NUMBER"),
              "EA12");

    // The Help menu opens the upload ID dialog on the stored ID.
    Find<QAction>(window, "Upload ID...")->trigger();
    auto* idDialog = window.findChild<CUploadIdDialog*>();
    ASSERT_NE(idDialog, nullptr);
    EXPECT_TRUE(idDialog->isVisible());
    EXPECT_EQ(idDialog->IdEdit()->text(), "0123ABCD-EF01-2345-6789-ABCDEFABCDEF");
    QTest::mouseClick(idDialog->CancelButton(), Qt::LeftButton);

    // No notification area offscreen: minimising keeps the window.
    EXPECT_FALSE(window.Tray()->Enabled());
    window.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    window.close();
    EXPECT_FALSE(window.Uploads().HasWorker());
}

// The texts the status bar shows now.
QStringList StatusTexts(const CMainWindow& window) {
    QStringList texts;
    for (const QLabel* label : window.Status()->findChildren<QLabel*>()) {
        texts << label->text();
    }
    return texts;
}

TEST_F(WindowTest, TheWindowReturnsWhereItWasUnlessOffScreenAndTheStatusBarFollowsARecording) {
    // Three seconds of silence, played as it would be captured.
    ASSERT_TRUE(synth::WriteWav("quiet.wav", std::vector<int16_t>(3 * 11025), 11025));
    MainWindowSetup setup = WindowSetup();
    setup.play = (dir.Path() / "quiet.wav").string();
    devices.numDevs = 0;
    const QRect placed(40, 30, 760, 500);
    {
        CMainWindow window(setup);
        window.setGeometry(placed);
        window.show();
        const auto shows = [&](const QString& text) {
            return QTest::qWaitFor([&] { return StatusTexts(window).contains(text); }, 10000);
        };
        // Refreshed each second: a busy machine may skip a second.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                const QStringList texts = StatusTexts(window);
                return texts.contains("Recording quiet.wav: 0:01") ||
                       texts.contains("Recording quiet.wav: 0:02");
            },
            10000))
            << StatusTexts(window).join('|').toStdString();
        EXPECT_TRUE(shows("Recording quiet.wav: ended"));
        EXPECT_TRUE(StatusTexts(window).contains("NAVTEX, 100 Bd, shift 170 Hz"));
        EXPECT_TRUE(StatusTexts(window).contains("Messages today: 0"));
        PostMessageText(window, u"EA12", u"STORED TODAY");
        EXPECT_TRUE(shows("Messages today: 1"));
        window.Spectrum()->frequencyRequested(1500);
        EXPECT_TRUE(StatusTexts(window).contains("Centre 1500 Hz"));
        window.close();
    }

    setup.play.clear();
    {
        CMainWindow again(setup);
        again.show();
        EXPECT_EQ(again.geometry(), placed);
        // The next start finds the window beyond every screen there is.
        again.move(20000, 20000);
        again.close();
    }
    CMainWindow third(setup);
    third.show();
    EXPECT_EQ(third.size(), QSize(800, 560));
    EXPECT_NE(QGuiApplication::screenAt(third.geometry().center()), nullptr);
    third.close();
}

TEST_F(WindowTest, OwnPositionAndWaypointsAreChosenInTheMenuAndTakeEffectAtOnce) {
    CMainWindow window(WindowSetup());
    window.show();
    QAction* waypoints = Find<QAction>(window, "NMEA waypoints of warnings");
    EXPECT_TRUE(waypoints->isChecked());
    waypoints->trigger();
    EXPECT_EQ(Setting(u"NmeaWaypoints"), u"0");
    EXPECT_FALSE(window.Bridge().Nmea().Waypoints());

    // A GNSS source named in the menu is read at once; none, and the chart
    // at once has no own position.
    test::CLoopbackListener gnss;
    const QString source = QStringLiteral("127.0.0.1:%1").arg(gnss.port);
    Find<QAction>(window, "Own position from NMEA...")->trigger();
    QInputDialog* dialog = OpenedDialog(window);
    ASSERT_NE(dialog, nullptr);
    dialog->setTextValue(source);
    dialog->accept();
    EXPECT_EQ(Setting(u"NmeaIn"), source.toStdU16String());
    const int fd = gnss.Accept();
    ASSERT_GE(fd, 0);
    const std::string body = "GPRMC,083559,A,5412.500,N,00340.200,E,0.0,,010526,,";
    const std::string rmc = '$' + body + '*' + NmeaChecksum(body) + "\r\n";
    ASSERT_EQ(send(fd, rmc.data(), rmc.size(), MSG_NOSIGNAL), static_cast<ssize_t>(rmc.size()));
    const CChartModel& chart = window.findChild<CChartPane*>()->Chart()->Model();
    ASSERT_TRUE(WaitDelivering(devices, [&] { return chart.OwnPosition().has_value(); }));
    EXPECT_NEAR(chart.OwnPosition()->latitude, 54.0 + 12.5 / 60.0, 1e-6);

    Find<QAction>(window, "Own position from NMEA...")->trigger();
    dialog = OpenedDialog(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->textValue(), source);
    dialog->setTextValue("");
    dialog->accept();
    EXPECT_EQ(Setting(u"NmeaIn"), u"");
    EXPECT_FALSE(chart.OwnPosition());
    close(fd);
    EXPECT_TRUE(errors.Messages().empty()) << errors.Messages().front();
    window.close();
}

}  // namespace
}  // namespace wavelore
