#pragma once

#include <filesystem>
#include <vector>

#include <QString>
#include <QStringList>

class QTranslator;

namespace wavelore {

// The file of translated texts looked for beside the program.
constexpr const char* kTranslationFile = "lan_jp.qm";

// What the receiver's command line asks for.
struct ReceiverOptions {
    QString play;  // a recording to play as the sound source, absolute
    bool fast = false;
    QString dir;           // the working directory; empty: the current one
    bool dataDir = false;  // the working directory is the per-user data directory
};

// Parses the command line (arguments[0] is the program). False when the
// program is to end at once: with exit code 0 after --help, 2 after a
// usage error; message is then what to print.
bool ParseReceiverOptions(const QStringList& arguments, ReceiverOptions& options, QString& message,
                          int& exitCode);

// Loads kTranslationFile from directory, when present, and installs it as
// the source of all texts; false when there is none (or it is unusable).
// Qt's own texts in the same language (the standard buttons and dialogs)
// go into qtTexts, beneath it, where Qt's translations are installed.
// Both translators must outlive every window.
bool InstallTranslation(QTranslator& translator, QTranslator& qtTexts, const QString& directory);

// The directory the receiver keeps logs/, incoming.txt and tips.txt in:
// DIR of --dir, the per-user data directory (under the user's data home)
// for --data-dir, or empty for the current directory.
QString WorkingDirectory(const ReceiverOptions& options);

// Where the tips file is looked for after the working directory, first
// to last: the data directory of an install, found from programDir (where
// the program lies), then where this build installs it, the system's data
// directories, and the res/ of the source tree a build tree came from.
std::vector<std::filesystem::path> InstalledTipsDirectories(const QString& programDir);

// The per-user data directory's first start: copies the installed tips.txt
// into directory unless it has one (from InstalledTipsDirectories). False
// when there is none to copy or the copy failed.
bool CopyInstalledTips(const QString& directory, const QString& programDir);

}  // namespace wavelore
