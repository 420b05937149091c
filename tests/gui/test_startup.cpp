// Start-up: the translation file beside the program and the command line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenuBar>
#include <QTranslator>

#include "app/qt/profile_store_qt.h"
#include "gui/main_window.h"
#include "gui/startup.h"
#include "support/fake_wave_in.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "system/system_info.h"

namespace wavelore {
namespace {

TEST(Startup, ATranslationFileBesideTheProgramGivesEveryText) {
    test::ScopedTempDir dir;
    QTranslator translator;
    EXPECT_FALSE(InstallTranslation(translator, QString::fromStdString(dir.Path().string())));

    test::WriteFile("lan_jp.ts", R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
<name>wavelore::CMainWindow</name>
<message><source>Sound source</source><translation>Onkyo</translation></message>
<message><source>Tarvolt Wavelore</source><translation>Tarvolt Nami</translation></message>
</context>
</TS>
)");
    const test::ProcessResult made = test::RunProcess(test::ShellQuote(WAVELORE_LRELEASE) +
                                                      " -silent lan_jp.ts -qm " + kTranslationFile);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    ASSERT_TRUE(InstallTranslation(translator, QString::fromStdString(dir.Path().string())));

    CQtProfileStore profile(dir.Path() / "settings.ini");
    test::CFakeWaveIn devices;
    test::CRecordingNotifier notifier;
    CManualClock clock{LocalTime{2024, 1, 2, 3, 4, 5}};
    CProcSystemFacts facts;
    MainWindowSetup setup(profile, devices, notifier, notifier, clock, facts, dir.Path());
    {
        CMainWindow window(setup);
        EXPECT_EQ(window.windowTitle(), "Tarvolt Nami v2.1.2");
        EXPECT_EQ(window.menuBar()->actions().first()->text(), "Onkyo");
    }
    QCoreApplication::removeTranslator(&translator);
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

}  // namespace
}  // namespace wavelore
