// wavelore: the receiver's window.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QTranslator>

#include "app/qt/profile_store_qt.h"
#include "app/run_clock.h"
#include "audio/wave_in_portaudio.h"
#include "gui/app_icon.h"
#include "gui/main_window.h"
#include "gui/message_box_notifier.h"
#include "gui/startup.h"
#include "gui/unix_signal_watcher.h"
#ifdef WAVELORE_HAVE_SOAPY
#include "sdr/soapy/soapy_sdr_devices.h"
#endif
#include "system/descriptor_limit.h"
#include "system/system_info.h"
#include "system/termination_signals.h"

namespace {

int Fail(const QString& message, int exitCode) {
    std::fprintf(exitCode == 0 ? stdout : stderr, "%s\n", qPrintable(message));
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace wavelore;
    // The names place the settings and the per-user data directory.
    QCoreApplication::setOrganizationName(QString::fromLatin1(CQtProfileStore::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(CQtProfileStore::kApplication));
    // Before the application object, so --help and usage errors need no
    // display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    ReceiverOptions options;
    QString message;
    int exitCode = 0;
    if (!ParseReceiverOptions(arguments, options, message, exitCode)) {
        return Fail(message, exitCode);
    }

    // Before anything opens a file: the NMEA clients and the receiver's own
    // files then have the descriptors the system allows.
    RaiseDescriptorLimit();
    QApplication app(argc, argv);
    // From here on a signal to end waits for the window to close as its
    // user would close it.
    CTerminationSignals terminations;
    CUnixSignalWatcher signalWatcher(terminations);
    // The desktop entry's name, which carries the icon on some desktops.
    QGuiApplication::setDesktopFileName(QStringLiteral("wavelore"));
    QApplication::setWindowIcon(WindowIcon());

    // The settings store comes first, then the texts, then the window.
    CQtProfileStore profile;
    QTranslator translator;
    QTranslator qtTexts;
    InstallTranslation(translator, qtTexts, QCoreApplication::applicationDirPath());
    const QString workDir = WorkingDirectory(options);
    if (!workDir.isEmpty() && (!QDir().mkpath(workDir) || !QDir::setCurrent(workDir))) {
        return Fail(QCoreApplication::translate("main", "Cannot use the directory %1")
                        .arg(QDir::toNativeSeparators(workDir)),
                    1);
    }
    if (options.dataDir) {
        // Without it the tip of the day says that the file is missing.
        CopyInstalledTips(workDir, QCoreApplication::applicationDirPath());
    }
    std::string error;
    const std::unique_ptr<IClock> clock = MakeRunClock(error);
    if (!clock) {
        return Fail(QString::fromStdString(error), 2);
    }

    CPortAudioWaveIn devices;
    CMessageBoxNotifier errors(QCoreApplication::translate("main", "Error"), QMessageBox::Critical);
    CMessageBoxNotifier soundMessages(
        QCoreApplication::translate("wavelore::CMainWindow", "Tarvolt Wavelore"),
        QMessageBox::Information);
    CProcSystemFacts facts;
    MainWindowSetup setup(profile, devices, errors, soundMessages, *clock, facts,
                          std::filesystem::current_path());
    setup.play = options.play.toStdString();
    setup.fast = options.fast;
#ifdef WAVELORE_HAVE_SOAPY
    CSoapySdrDevices radios;
    setup.radios = &radios;
#endif

    int result = 0;
    {
        CMainWindow window(setup);
        signalWatcher.Watch(window);
        window.show();
        result = QApplication::exec();
    }
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::removeTranslator(&qtTexts);
    return result;
}
