#include "gui/translated_text.h"

#include <iterator>
#include <string_view>

#include <QCoreApplication>

#include "app/status_bar_model.h"
#include "common/utf.h"

namespace wavelore {

namespace {

// The core's texts for the translation files, in the order of texts::kAll;
// the compiler checks below that both say the same.
constexpr const char* kSources[] = {
    QT_TRANSLATE_NOOP("CoreText", "ERROR: No sound device detected"),
    QT_TRANSLATE_NOOP("CoreText", "ERROR: waveInGetDevCaps failed"),
    QT_TRANSLATE_NOOP("CoreText", "ERROR: waveInOpen failed"),
    QT_TRANSLATE_NOOP("CoreText", "ERROR: waveInPrepareHeader 1 failed"),
    QT_TRANSLATE_NOOP("CoreText", "ERROR: waveInPrepareHeader 2 failed"),
    QT_TRANSLATE_NOOP("CoreText", "ERROR: waveInAddBuffer 1 failed"),
    QT_TRANSLATE_NOOP("CoreText", "ERROR: waveInAddBuffer 2 failed"),
    QT_TRANSLATE_NOOP("CoreText", "ERROR: waveInStart failed"),
    QT_TRANSLATE_NOOP("CoreText",
                      "Could not open the raw log \"%1\"; decoded text is not logged until it can "
                      "be opened."),
    QT_TRANSLATE_NOOP("CoreText", "Could not write to the raw log \"%1\"."),
    QT_TRANSLATE_NOOP("CoreText", "Could not create \"%1\"; NAVTEX messages are not stored."),
    QT_TRANSLATE_NOOP("CoreText", "Could not write to \"%1\"."),
    QT_TRANSLATE_NOOP(
        "CoreText",
        "Could not write to \"%1\"; the message being received may be incomplete on disk."),
    QT_TRANSLATE_NOOP("CoreText",
                      "Could not store the message in \"%1\" (%2); it was kept as \"%3\"."),
    QT_TRANSLATE_NOOP("CoreText",
                      "Could not store the message \"%1\" (%2); it stays in \"%3\" and no new "
                      "message is recorded until it can be stored."),
    QT_TRANSLATE_NOOP("CoreText",
                      "Could not write the message \"%1\" (%2); it is kept in memory, with any "
                      "that follow, and stored as soon as there is room."),
    QT_TRANSLATE_NOOP("CoreText", "The %1 messages kept in memory are stored now."),
    QT_TRANSLATE_NOOP("CoreText",
                      "%1 messages could not be stored (%2) and are lost; only the raw log may "
                      "hold their text."),
    QT_TRANSLATE_NOOP("CoreText",
                      "The setting %1 is \"%2\", which is not a number from %3 to %4; %5 is used "
                      "instead."),
};

// The message index's, the message command's and the alarm's texts, in the order of
// texts::kBridgeTexts.
constexpr const char* kBridgeSources[] = {
    QT_TRANSLATE_NOOP("CoreText",
                      "The message index \"%1\" was damaged; it was rebuilt from the stored "
                      "messages."),
    QT_TRANSLATE_NOOP("CoreText",
                      "The message index \"%1\" was removed or replaced while in use; it was "
                      "rebuilt from the stored messages."),
    QT_TRANSLATE_NOOP("CoreText",
                      "The message index \"%1\" is locked by another program; until it is free, "
                      "an index in memory rebuilt from the stored messages is used."),
    QT_TRANSLATE_NOOP("CoreText",
                      "The message index \"%1\" cannot be written (%2); until it can, an index in "
                      "memory rebuilt from the stored messages is used."),
    QT_TRANSLATE_NOOP("CoreText", "The command for %1 exited with status %2."),
    QT_TRANSLATE_NOOP("CoreText", "The command for %1 was ended by signal %2."),
    QT_TRANSLATE_NOOP("CoreText", "The command for %1 cannot be started: %2."),
    QT_TRANSLATE_NOOP("CoreText", "The command for %1 was lost: %2."),
    QT_TRANSLATE_NOOP("CoreText", "The command for %1 was not run: %2 runs are already waiting."),
    QT_TRANSLATE_NOOP("CoreText", "%1 runs of the command were not started."),
    QT_TRANSLATE_NOOP("CoreText",
                      "The search and rescue alarm cannot sound (%1); new search and rescue "
                      "messages are still shown."),
    QT_TRANSLATE_NOOP("CoreText", "The command for %1 took longer than %2 s and was ended."),
    QT_TRANSLATE_NOOP("CoreText",
                      "Could not write the warnings for chart programs to \"%1\" (%2)."),
};

// The status bar's texts, in the order of texts::kStatusTexts.
constexpr const char* kStatusSources[] = {
    QT_TRANSLATE_NOOP("CoreText", "Sound device: %1"),
    QT_TRANSLATE_NOOP("CoreText", "No sound source"),
    QT_TRANSLATE_NOOP("CoreText", "Recording %1: %2 of %3"),
    QT_TRANSLATE_NOOP("CoreText", "Recording %1: %2"),
    QT_TRANSLATE_NOOP("CoreText", "Recording %1: ended"),
    QT_TRANSLATE_NOOP("CoreText", "%1, %2 Bd, shift %3 Hz"),
    QT_TRANSLATE_NOOP("CoreText", "Centre %1 Hz"),
    QT_TRANSLATE_NOOP("CoreText", "Messages today: %1"),
    QT_TRANSLATE_NOOP("CoreText", "%1: channel %2 kHz"),
};

// Qt's own texts on the buttons of our dialogs and message boxes, so that
// they follow the interface's language where Qt's translations are missing.
[[maybe_unused]] constexpr const char* kQtButtonTexts[] = {
    QT_TRANSLATE_NOOP("QPlatformTheme", "OK"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Cancel"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&Yes"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&No"),
};

// The core's texts are ASCII.
constexpr bool SameText(std::u16string_view core, std::string_view source) {
    if (core.size() != source.size()) {
        return false;
    }
    for (size_t i = 0; i < core.size(); ++i) {
        if (core[i] != static_cast<char16_t>(static_cast<unsigned char>(source[i]))) {
            return false;
        }
    }
    return true;
}

template <size_t N, size_t M>
constexpr bool SameCatalog(const std::u16string_view (&core)[N], const char* const (&sources)[M]) {
    if (N != M) {
        return false;
    }
    for (size_t i = 0; i < N; ++i) {
        if (!SameText(core[i], sources[i])) {
            return false;
        }
    }
    return true;
}

static_assert(SameCatalog(texts::kAll, kSources),
              "the translatable list differs from the core's texts");
static_assert(SameCatalog(texts::kBridgeTexts, kBridgeSources),
              "the translatable list differs from the bridge's texts");
static_assert(SameCatalog(texts::kStatusTexts, kStatusSources),
              "the translatable list differs from the status bar's texts");

}  // namespace

QString TranslateUserText(const UserText& text) {
    const QString format =
        QCoreApplication::translate(kCoreTextContext, ToUtf8(text.format).c_str());
    return QString::fromStdU16String(FillUserText(format.toStdU16String(), text.args));
}

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace wavelore
