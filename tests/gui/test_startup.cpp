// Start-up: the translation file beside the program, the command line and
// the per-user data directory.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTranslator>
#include <QTreeWidget>

#include "app/qt/profile_store_qt.h"
#include "app/settings.h"
#include "gui/main_window.h"
#include "gui/message_explorer_wnd.h"
#include "gui/startup.h"
#include "gui/tip_dialog.h"
#include "gui/translated_text.h"
#include "gui/upload_id_dialog.h"
#include "support/alsa_devices.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"
#include "support/loopback_server.h"
#include "support/process_runner.h"
#include "system/system_info.h"

namespace wavelore {
namespace {

TEST(Startup, TheJapaneseFileBesideTheProgramTurnsEveryTextJapanese) {
    test::ScopedTempDir dir;
    const QString programDir = QString::fromStdString(dir.Path().string());
    QTranslator translator;
    QTranslator qtTexts;
    EXPECT_FALSE(InstallTranslation(translator, qtTexts, programDir));

    std::filesystem::copy_file(WAVELORE_TRANSLATION_QM, dir.Path() / kTranslationFile);
    ASSERT_TRUE(InstallTranslation(translator, qtTexts, programDir));
    std::filesystem::create_directories("logs/2024-01-02");
    test::WriteFile("logs/2024-01-02/2024-01-02 03.04.05 GA12.txt", "ZCZC GA12\r\nNNNN\r\n");
    test::WriteFile("tips.txt", "A tip\n");

    CQtProfileStore profile(dir.Path() / "settings.ini");
    profile.WriteString(u"Settings", u"UploadHost", test::ClosedUploadHost());
    test::CFakeWaveIn devices;
    test::CRecordingNotifier notifier;
    CManualClock clock{LocalTime{2024, 1, 2, 3, 4, 5}};
    CProcSystemFacts facts;
    MainWindowSetup setup(profile, devices, notifier, notifier, clock, facts, dir.Path());
    setup.boxes = [](QWidget*, const MessageBoxContent&) { return QMessageBox::Ok; };
    {
        CMainWindow window(setup);
        // The product's name stays as it is: the title also heads the raw log.
        EXPECT_EQ(window.windowTitle(), "Tarvolt Wavelore v2.1.2");
        QStringList menus;
        for (const QAction* menu : window.menuBar()->actions()) {
            menus << menu->text();
        }
        EXPECT_EQ(menus, QStringList({"音声入力", "モード", "オプション", "表示", "ヘルプ"}));
        QStringList boxes;
        for (const QCheckBox* box : window.findChildren<QCheckBox*>()) {
            boxes << box->text();
        }
        EXPECT_TRUE(boxes.contains("厳密 FEC")) << boxes.join(' ').toStdString();
        const QTreeWidget* list = window.Explorer()->MessageList();
        EXPECT_EQ(list->headerItem()->text(4), "分類");
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(4), "航行警報");

        CTipDialog tip(profile, "tips.txt", setup.boxes);
        EXPECT_EQ(tip.windowTitle(), "今日のヒント");
        EXPECT_EQ(tip.NextButton()->text(), "次のヒント(&N)");
        CSettings settings(profile);
        CUploadIdDialog upload(settings, {}, setup.boxes);
        EXPECT_EQ(upload.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(),
                  "キャンセル");
    }
    // The core's texts too, their arguments as they came.
    EXPECT_EQ(TranslateUserText({texts::kWorkingFileWrite, {u"/tmp/%2.txt"}}),
              "「/tmp/%2.txt」に書き込めません。");
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::removeTranslator(&qtTexts);
    EXPECT_EQ(TranslateUserText({texts::kWorkingFileWrite, {u"/tmp/%2.txt"}}),
              "Could not write to \"/tmp/%2.txt\".");
}

TEST(Startup, TheDataDirectoryGetsTheInstalledTipsOnce) {
    test::ScopedTempDir dir;
    const std::filesystem::path installed = dir.Path() / "prefix" / "bin" / WAVELORE_DATA_FROM_BIN;
    std::filesystem::create_directories(installed);
    test::WriteFile(installed / "tips.txt", "Installed tip\n");
    const QString programDir = QString::fromStdString((dir.Path() / "prefix" / "bin").string());
    const QString data = QString::fromStdString((dir.Path() / "data").string());
    std::filesystem::create_directories(dir.Path() / "data");

    ASSERT_TRUE(CopyInstalledTips(data, programDir));
    EXPECT_EQ(test::ReadFile(dir.Path() / "data" / "tips.txt"), "Installed tip\n");
    // The user's own tips are kept.
    test::WriteFile(dir.Path() / "data" / "tips.txt", "My tip\n");
    ASSERT_TRUE(CopyInstalledTips(data, programDir));
    EXPECT_EQ(test::ReadFile(dir.Path() / "data" / "tips.txt"), "My tip\n");

    ReceiverOptions options;
    QString message;
    int exitCode = -1;
    ASSERT_TRUE(ParseReceiverOptions({"wavelore", "--data-dir"}, options, message, exitCode));
    EXPECT_EQ(WorkingDirectory(options),
              QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    EXPECT_FALSE(
        ParseReceiverOptions({"wavelore", "--data-dir", "--dir", "x"}, options, message, exitCode));
    EXPECT_EQ(exitCode, 2);
}

TEST(Startup, CommandLine) {
    ReceiverOptions options;
    QString message;
    int exitCode = -1;
    ASSERT_TRUE(ParseReceiverOptions({"wavelore", "--play", "/r/a.wav", "--fast", "--dir", "out"},
                                     options, message, exitCode));
    EXPECT_EQ(options.play, "/r/a.wav");
    EXPECT_TRUE(options.fast);
    EXPECT_EQ(options.dir, "out");

    EXPECT_FALSE(ParseReceiverOptions({"wavelore", "--help"}, options, message, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(message.contains("--play <FILE>")) << message.toStdString();
    for (const QStringList& bad :
         {QStringList{"wavelore", "--fast"}, QStringList{"wavelore", "a.wav"},
          QStringList{"wavelore", "--volume", "3"}}) {
        EXPECT_FALSE(ParseReceiverOptions(bad, options, message, exitCode))
            << bad.join(' ').toStdString();
        EXPECT_EQ(exitCode, 2);
        EXPECT_FALSE(message.isEmpty());
    }
}

// The real program, as a service manager runs it: SIGTERM while a message
// comes in closes the window as its user would, keeping what was received.
TEST(Startup, ASignalClosesTheWindowAsItsUserWould) {
    using namespace std::chrono_literals;
    test::ScopedTempDir dir;
    // Settings of its own, and an upload service that answers nothing. The
    // tip of the day is up, in a loop of its own, when the signal comes.
    std::filesystem::create_directories("config/Tarvolt");
    std::filesystem::create_directories("received");
    test::WriteFile("config/Tarvolt/Wavelore.conf", "[Settings]\nUploadHost=127.0.0.1:9\n");
    test::WriteFile("received/tips.txt", "A tip\n");
    // It lists the sound devices through PortAudio even while it plays a file.
    test::ToleratePluginLeaks();
    const std::string home = dir.Path().string();
    test::CBackgroundProcess receiver(
        "env HOME=" + test::ShellQuote(home) +
        " XDG_CONFIG_HOME=" + test::ShellQuote(home + "/config") + " QT_QPA_PLATFORM=offscreen " +
        test::ShellQuote(test::ReceiverProgram().string()) + " --play " +
        test::ShellQuote((test::SourceDir() / "samples/navtex_sample.wav").string()) +
        " --dir received");
    ASSERT_TRUE(receiver.Started());
    // Played in real time: the first message is coming in.
    ASSERT_TRUE(test::Eventually(
        [] {
            return test::ReadFile("received/incoming.txt").find("ZCZC GA23") != std::string::npos;
        },
        120s))
        << test::ReadFile("err.txt");
    receiver.Signal(SIGTERM);
    const test::ProcessResult r = receiver.Wait(60s);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The message cut short stays in the working file, unless it was
    // complete and stored by then.
    bool stored = false;
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("received/logs", ec)) {
        stored |= entry.path().filename().string().find("GA23") != std::string::npos;
    }
    EXPECT_TRUE(stored ||
                test::ReadFile("received/incoming.txt").find("ZCZC GA23") != std::string::npos);
}

}  // namespace
}  // namespace wavelore
