// wavelore: the receiver's window.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QTranslator>

#include "app/qt/profile_store_qt.h"
#include "app/run_clock.h"
#include "audio/wave_in_portaudio.h"
#include "gui/main_window.h"
#include "gui/message_box_notifier.h"
#include "gui/startup.h"
#include "system/system_info.h"

namespace {

int Fail(const QString& message, int exitCode) {
    std::fprintf(exitCode == 0 ? stdout : stderr, "%s\n", qPrintable(message));
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace wavelore;
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

    QApplication app(argc, argv);

    // The settings store comes first, then the texts, then the window.
    QCoreApplication::setOrganizationName(QString::fromLatin1(CQtProfileStore::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(CQtProfileStore::kApplication));
    CQtProfileStore profile;
    QTranslator translator;
    QTranslator qtTexts;
    InstallTranslation(translator, qtTexts, QCoreApplication::applicationDirPath());
    if (!options.dir.isEmpty() && (!QDir().mkpath(options.dir) || !QDir::setCurrent(options.dir))) {
        return Fail(
            QCoreApplication::translate("main", "Cannot use the directory %1").arg(options.dir), 1);
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

    int result = 0;
    {
        CMainWindow window(setup);
        window.show();
        result = QApplication::exec();
    }
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::removeTranslator(&qtTexts);
    return result;
}
