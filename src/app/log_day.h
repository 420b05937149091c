#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/raw_log_file.h"
#include "common/clock.h"
#include "common/user_text.h"

namespace wavelore {

class IUserNotifier;

// Names of the log tree, all relative to the base (current) directory:
//   logs/YYYY-MM-DD/                              a day
//   logs/YYYY-MM-DD/YYYY-MM-DD HH.MM.SS B1B2NN.txt  a stored message
//   logs/YYYY-MM-DD/raw/YYYY-MM-DD HH.MM.SS-raw.txt the raw log opened then
inline constexpr std::u16string_view kLogsDirName = u"logs";
inline constexpr std::u16string_view kRawDirName = u"raw";

// "YYYY-MM-DD"
std::u16string FormatDate(const LocalTime& t);
// "HH:MM:SS"
std::u16string FormatTime(const LocalTime& t);
// "YYYY-MM-DD HH.MM.SS": a local time as file names carry it.
std::u16string FileTimeStamp(const LocalTime& t);
// logs/YYYY-MM-DD/raw/YYYY-MM-DD HH.MM.SS-raw.txt, or with the channel of
// one of several receptions: logs/YYYY-MM-DD/raw/YYYY-MM-DD HH.MM.SS 518-raw.txt
std::filesystem::path RawLogRelativePath(const LocalTime& t, std::u16string_view channel = {});
// A raw log line: "YYYY/MM/DD<tab>HH:MM:SS<tab>text<LF>".
std::u16string FormatRawLine(std::u16string_view text, const LocalTime& t);
// The base directory as an absolute, normalised path without a trailing
// separator, so stored paths stay valid whatever the current directory is
// later (an empty base is the current directory).
std::filesystem::path AbsoluteBase(const std::filesystem::path& base);
// Path text in UTF-16, for messages.
std::u16string PathText(const std::filesystem::path& path);

// The raw log of the running day: opens a new file at start-up and at the
// first chunk of each new day, and writes the decoded text to it a line at
// a time.
class CLogDay {
  public:
    // base: the directory the log tree lives in. notifier (may be null)
    // hears of files that cannot be opened or written. files: where the log
    // is written; null: the machine's file system. channel: names the raw
    // log of one of several receptions on base; empty for the only one.
    CLogDay(const std::filesystem::path& base, IUserNotifier* notifier,
            IFileSystem* files = nullptr, std::u16string_view channel = {});
    CLogDay(const CLogDay&) = delete;
    CLogDay& operator=(const CLogDay&) = delete;

    // Creates logs/<date>/raw and opens the raw log named after t. An
    // existing file of that name (a second start within the same second) is
    // appended to, not truncated. False when the log could not be opened;
    // lines are then retried at each write.
    bool StartLogDay(const LocalTime& t);
    // The day check of each decoded chunk: a new day of the month starts a
    // new raw log. True when it did.
    bool CheckDay(const LocalTime& now);
    void WriteRawLine(std::u16string_view line, const LocalTime& t);
    // Adds a chunk to the pending line and writes at most one complete line
    // (the text before the first line feed), stamped with now.
    void AppendChunk(std::u16string_view chunk, const LocalTime& now);
    // Writes what is still pending as a last line (so shutdown loses no
    // received text) and closes the raw log.
    void Close(const LocalTime& now);

    const LocalTime& LogDayTime() const { return m_logDay; }
    const std::u16string& PendingLine() const { return m_pending; }
    const CRawLogFile& RawLog() const { return m_rawLog; }

  private:
    bool OpenRawLog(bool report);
    void Report(const UserText& text);

    std::filesystem::path m_base;
    IUserNotifier* m_notifier;
    std::u16string m_channel;
    CRawLogFile m_rawLog;
    LocalTime m_logDay;
    std::filesystem::path m_rawPath;  // relative to m_base
    std::u16string m_pending;
    std::u16string m_lastError;
};

}  // namespace wavelore
