#include "app/log_day.h"

#include <cstdio>

#include "common/user_notifier.h"
#include "common/utf.h"

namespace wavelore {

namespace {

std::u16string Ascii(const char* text) {
    return FromUtf8(text);
}

std::u16string Format(const char* format, int a, int b, int c) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return Ascii(buffer);
}

}  // namespace

std::u16string FormatDate(const LocalTime& t) {
    return Format("%04d-%02d-%02d", t.year, t.month, t.day);
}

std::u16string FormatTime(const LocalTime& t) {
    return Format("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

std::u16string FileTimeStamp(const LocalTime& t) {
    return FormatDate(t) + u' ' + Format("%02d.%02d.%02d", t.hour, t.minute, t.second);
}

std::filesystem::path AbsoluteBase(const std::filesystem::path& base) {
    std::error_code ec;
    std::filesystem::path out =
        std::filesystem::absolute(base.empty() ? std::filesystem::path(".") : base, ec);
    if (ec) {
        out = base;
    }
    out = out.lexically_normal();
    if (!out.has_filename()) {
        out = out.parent_path();
    }
    return out;
}

std::filesystem::path RawLogRelativePath(const LocalTime& t, std::u16string_view channel) {
    std::u16string name = FileTimeStamp(t);
    if (!channel.empty()) {
        name += u' ';
        name += channel;
    }
    return std::filesystem::path(kLogsDirName) / FormatDate(t) / kRawDirName / (name + u"-raw.txt");
}

std::u16string FormatRawLine(std::u16string_view text, const LocalTime& t) {
    std::u16string line = Format("%04d/%02d/%02d", t.year, t.month, t.day);
    line += u'\t';
    line += FormatTime(t);
    line += u'\t';
    line += text;
    line += u'\n';
    return line;
}

std::u16string PathText(const std::filesystem::path& path) {
    return path.u16string();
}

CLogDay::CLogDay(const std::filesystem::path& base, IUserNotifier* notifier, IFileSystem* files,
                 std::u16string_view channel)
    : m_base(base), m_notifier(notifier), m_channel(channel), m_rawLog(files) {}

void CLogDay::Report(const UserText& text) {
    // One report per distinct problem: a log directory that stays unwritable
    // would otherwise raise the same error with every line.
    std::u16string english = FillUserText(text.format, text.args);
    if (english == m_lastError) {
        return;
    }
    m_lastError = std::move(english);
    if (m_notifier != nullptr) {
        m_notifier->ShowText(text);
    }
}

bool CLogDay::OpenRawLog(bool report) {
    const std::filesystem::path full = m_base / m_rawPath;
    std::error_code ec;
    // The logs directory too: it may have been removed while we ran.
    std::filesystem::create_directories(full.parent_path(), ec);
    // Append: a second start within the same second must not destroy the
    // first one's lines.
    if (m_rawLog.Open(full, true)) {
        m_lastError.clear();
        return true;
    }
    if (report) {
        Report({texts::kRawLogOpen, {PathText(full)}});
    }
    return false;
}

bool CLogDay::StartLogDay(const LocalTime& t) {
    m_logDay = t;
    m_rawPath = RawLogRelativePath(t, m_channel);
    return OpenRawLog(true);
}

bool CLogDay::CheckDay(const LocalTime& now) {
    if (now.day == m_logDay.day) {
        return false;
    }
    StartLogDay(now);
    return true;
}

void CLogDay::WriteRawLine(std::u16string_view line, const LocalTime& t) {
    if (m_rawPath.empty()) {
        return;
    }
    std::error_code ec;
    // A log directory removed under us would swallow every later line into
    // an unlinked file; open the log again where it belongs.
    if (!m_rawLog.IsOpen() || !std::filesystem::exists(m_rawLog.Path(), ec)) {
        if (!OpenRawLog(true)) {
            return;
        }
    }
    if (!m_rawLog.Write(FormatRawLine(line, t))) {
        Report({texts::kRawLogWrite, {PathText(m_rawLog.Path())}});
    } else if (!m_lastError.empty()) {
        // Room again: a later failure is news.
        m_lastError.clear();
    }
}

void CLogDay::AppendChunk(std::u16string_view chunk, const LocalTime& now) {
    m_pending += chunk;
    const size_t lf = m_pending.find(u'\n');
    if (lf == std::u16string::npos) {
        return;
    }
    WriteRawLine(std::u16string_view(m_pending).substr(0, lf), now);
    m_pending.erase(0, lf + 1);
}

void CLogDay::Close(const LocalTime& now) {
    if (!m_pending.empty()) {
        WriteRawLine(m_pending, now);
        m_pending.clear();
    }
    if (!m_rawLog.Close()) {
        Report({texts::kRawLogWrite, {PathText(m_rawLog.Path())}});
    }
}

}  // namespace wavelore
