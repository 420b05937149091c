#pragma once

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string_view>

namespace wavelore {

// The raw log writer: one UTF-8 file (no byte-order mark) written a line at
// a time and flushed after every write. Safe to share between threads.
class CRawLogFile {
  public:
    CRawLogFile() = default;
    ~CRawLogFile();
    CRawLogFile(const CRawLogFile&) = delete;
    CRawLogFile& operator=(const CRawLogFile&) = delete;

    // Closes any open file, then opens path (a relative path is taken from
    // the current directory) for appending, or truncated when append is
    // false. False when the file could not be opened; no file is open then.
    bool Open(const std::filesystem::path& path, bool append);
    void Close();
    bool IsOpen() const;
    // The full path of the last Open.
    std::filesystem::path Path() const;

    // Writes text as UTF-8 and flushes; false (and nothing written) when no
    // file is open, false when the write or flush failed.
    bool Write(std::u16string_view text);

  private:
    mutable std::mutex m_lock;
    std::FILE* m_file = nullptr;
    std::filesystem::path m_path;
};

}  // namespace wavelore
