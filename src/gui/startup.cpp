#include "gui/startup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

#include "system/tips_reader.h"

namespace wavelore {

bool ParseReceiverOptions(const QStringList& arguments, ReceiverOptions& options, QString& message,
                          int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Wavelore, a NAVTEX receiver."));
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help")},
        QCoreApplication::translate("main", "Shows these options and ends."));
    const QCommandLineOption play(
        QStringLiteral("play"),
        QCoreApplication::translate("main", "Plays a recording as the sound source, in real time."),
        QStringLiteral("FILE"));
    const QCommandLineOption fast(
        QStringLiteral("fast"),
        QCoreApplication::translate("main", "With --play: as fast as it decodes."));
    const QCommandLineOption dir(
        QStringLiteral("dir"),
        QCoreApplication::translate(
            "main", "Keeps logs/, incoming.txt, fax.raw and tips.txt in DIR (default: here)."),
        QStringLiteral("DIR"));
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QCoreApplication::translate("main",
                                    "Keeps them in the user's data directory (%1), made at the "
                                    "first start with a copy of the tips.")
            .arg(QDir::toNativeSeparators(
                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))));
    parser.addOptions({help, play, fast, dir, dataDir});

    exitCode = 2;
    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return false;
    }
    if (parser.isSet(help)) {
        message = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                            QStringLiteral("wavelore"));
        exitCode = 0;
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = QCoreApplication::translate("main", "Unexpected argument: %1")
                      .arg(parser.positionalArguments().first());
        return false;
    }
    if (parser.isSet(fast) && !parser.isSet(play)) {
        message = QCoreApplication::translate("main", "--fast needs --play FILE");
        return false;
    }
    if (parser.isSet(dir) && parser.isSet(dataDir)) {
        message = QCoreApplication::translate("main", "--dir and --data-dir exclude each other");
        return false;
    }
    options.play =
        parser.isSet(play) ? QFileInfo(parser.value(play)).absoluteFilePath() : QString();
    options.fast = parser.isSet(fast);
    options.dir = parser.value(dir);
    options.dataDir = parser.isSet(dataDir);
    return true;
}

bool InstallTranslation(QTranslator& translator, QTranslator& qtTexts, const QString& directory) {
    const QString path = QDir(directory).filePath(QString::fromLatin1(kTranslationFile));
    if (!QFileInfo::exists(path) || !translator.load(path)) {
        return false;
    }
    // The last one installed is asked first: ours.
    if (!translator.language().isEmpty() &&
        qtTexts.load(QStringLiteral("qtbase_") + translator.language(),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTexts);
    }
    return QCoreApplication::installTranslator(&translator);
}

QString WorkingDirectory(const ReceiverOptions& options) {
    if (options.dataDir) {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    return options.dir;
}

std::vector<std::filesystem::path> InstalledTipsDirectories(const QString& programDir) {
    std::vector<std::filesystem::path> directories{
        QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(WAVELORE_DATA_FROM_BIN)))
            .toStdString(),
        WAVELORE_INSTALLED_DATA};
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        directories.push_back(QDir(data).filePath(QStringLiteral("wavelore")).toStdString());
    }
    directories.emplace_back(WAVELORE_SOURCE_RES);
    return directories;
}

bool CopyInstalledTips(const QString& directory, const QString& programDir) {
    const QString target = QDir(directory).filePath(QString::fromLatin1(CTipsReader::kFileName));
    if (QFileInfo::exists(target)) {
        return true;
    }
    const std::filesystem::path source = FindTipsFile(InstalledTipsDirectories(programDir));
    return std::filesystem::is_regular_file(source) &&
           QFile::copy(QString::fromStdString(source.string()), target);
}

}  // namespace wavelore
