#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wavelore {

// A text for the user: an English format whose %1 to %9 the arguments
// fill. The format is the key a translated interface
// looks its own wording up by, so the core stays in English.
struct UserText {
    std::u16string_view format;
    std::vector<std::u16string> args = {};
};

// The format with every %N replaced by args[N - 1], in one pass: an argument
// that holds "%2" itself (a path, say) stays as it is. A %N without an
// argument stays in the text.
std::u16string FillUserText(std::u16string_view format, const std::vector<std::u16string>& args);

// The texts the core shows its user, in one place so that an interface can
// list them for translation.
namespace texts {

inline constexpr std::u16string_view kNoSoundDevice = u"ERROR: No sound device detected";
inline constexpr std::u16string_view kGetDevCapsFailed = u"ERROR: waveInGetDevCaps failed";
inline constexpr std::u16string_view kOpenFailed = u"ERROR: waveInOpen failed";
inline constexpr std::u16string_view kPrepareHeader1Failed = u"ERROR: waveInPrepareHeader 1 failed";
inline constexpr std::u16string_view kPrepareHeader2Failed = u"ERROR: waveInPrepareHeader 2 failed";
inline constexpr std::u16string_view kAddBuffer1Failed = u"ERROR: waveInAddBuffer 1 failed";
inline constexpr std::u16string_view kAddBuffer2Failed = u"ERROR: waveInAddBuffer 2 failed";
inline constexpr std::u16string_view kStartFailed = u"ERROR: waveInStart failed";

// %1: the raw log's path.
inline constexpr std::u16string_view kRawLogOpen =
    u"Could not open the raw log \"%1\"; decoded text is not logged until it can be opened.";
inline constexpr std::u16string_view kRawLogWrite = u"Could not write to the raw log \"%1\".";

// %1: the working file's path.
inline constexpr std::u16string_view kWorkingFileCreate =
    u"Could not create \"%1\"; NAVTEX messages are not stored.";
inline constexpr std::u16string_view kWorkingFileWrite = u"Could not write to \"%1\".";
inline constexpr std::u16string_view kWorkingFileIncomplete =
    u"Could not write to \"%1\"; the message being received may be incomplete on disk.";
// %1: the day's directory; %2: the system's reason; %3: where the message is.
inline constexpr std::u16string_view kMessageKeptBeside =
    u"Could not store the message in \"%1\" (%2); it was kept as \"%3\".";
// %1: the message's file name; %2: the system's reason; %3: the working file.
inline constexpr std::u16string_view kMessageNotStored =
    u"Could not store the message \"%1\" (%2); it stays in \"%3\" and no new message is "
    u"recorded until it can be stored.";
// %1: the message's file name; %2: the system's reason.
inline constexpr std::u16string_view kMessageKeptInMemory =
    u"Could not write the message \"%1\" (%2); it is kept in memory, with any that follow, "
    u"and stored as soon as there is room.";
// %1: the number of messages.
inline constexpr std::u16string_view kMessagesInMemoryStored =
    u"The %1 messages kept in memory are stored now.";
// %1: the number of messages; %2: the system's reason.
inline constexpr std::u16string_view kMessagesLost =
    u"%1 messages could not be stored (%2) and are lost; only the raw log may hold their text.";

// %1: the setting's name; %2: the text stored; %3 and %4: the valid range;
// %5: the default used instead.
inline constexpr std::u16string_view kSettingRefused =
    u"The setting %1 is \"%2\", which is not a number from %3 to %4; %5 is used instead.";

// Every text above, in this order.
inline constexpr std::u16string_view kAll[] = {
    kNoSoundDevice,
    kGetDevCapsFailed,
    kOpenFailed,
    kPrepareHeader1Failed,
    kPrepareHeader2Failed,
    kAddBuffer1Failed,
    kAddBuffer2Failed,
    kStartFailed,
    kRawLogOpen,
    kRawLogWrite,
    kWorkingFileCreate,
    kWorkingFileWrite,
    kWorkingFileIncomplete,
    kMessageKeptBeside,
    kMessageNotStored,
    kMessageKeptInMemory,
    kMessagesInMemoryStored,
    kMessagesLost,
    kSettingRefused,
};

// The message index's, the message command's and the alarm's texts.
// %1: the index's path.
inline constexpr std::u16string_view kIndexDamaged =
    u"The message index \"%1\" was damaged; it was rebuilt from the stored messages.";
inline constexpr std::u16string_view kIndexReplaced =
    u"The message index \"%1\" was removed or replaced while in use; it was rebuilt from the "
    u"stored messages.";
inline constexpr std::u16string_view kIndexLocked =
    u"The message index \"%1\" is locked by another program; until it is free, an index in "
    u"memory rebuilt from the stored messages is used.";
// %1: the index's path; %2: the reason.
inline constexpr std::u16string_view kIndexUnwritable =
    u"The message index \"%1\" cannot be written (%2); until it can, an index in memory "
    u"rebuilt from the stored messages is used.";
// %1: what the command was run for; %2: the exit status, signal or reason.
inline constexpr std::u16string_view kCommandExited = u"The command for %1 exited with status %2.";
inline constexpr std::u16string_view kCommandSignalled =
    u"The command for %1 was ended by signal %2.";
inline constexpr std::u16string_view kCommandCannotStart =
    u"The command for %1 cannot be started: %2.";
inline constexpr std::u16string_view kCommandLost = u"The command for %1 was lost: %2.";
// %1: what the command was run for; %2: its time limit in seconds.
inline constexpr std::u16string_view kCommandTimedOut =
    u"The command for %1 took longer than %2 s and was ended.";
// %1: what the command was run for; %2: the number of runs waiting.
inline constexpr std::u16string_view kCommandNotRun =
    u"The command for %1 was not run: %2 runs are already waiting.";
// %1: the number of runs.
inline constexpr std::u16string_view kCommandsNotStarted =
    u"%1 runs of the command were not started.";

// %1: why the alarm tone cannot sound.
inline constexpr std::u16string_view kAlarmCannotSound =
    u"The search and rescue alarm cannot sound (%1); new search and rescue messages are still "
    u"shown.";

// %1: the feed's path; %2: the system's reason.
inline constexpr std::u16string_view kWarningFeedWrite =
    u"Could not write the warnings for chart programs to \"%1\" (%2).";

inline constexpr std::u16string_view kBridgeTexts[] = {
    kIndexDamaged,     kIndexReplaced,      kIndexLocked,        kIndexUnwritable,
    kCommandExited,    kCommandSignalled,   kCommandCannotStart, kCommandLost,
    kCommandNotRun,    kCommandsNotStarted, kAlarmCannotSound,   kCommandTimedOut,
    kWarningFeedWrite,
};

}  // namespace texts

}  // namespace wavelore
