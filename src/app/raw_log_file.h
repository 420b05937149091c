#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "common/file_system.h"

namespace wavelore {

// The raw log writer: one UTF-8 file (no byte-order mark) written a line at
// a time, each write going to the file at once. Text the file does not take
// (a full disk) is kept, up to kMaxUnwritten bytes, and written before the
// next text, so that room made again loses nothing. Safe to share between
// threads.
class CRawLogFile {
  public:
    // Beyond this much text waiting for room the oldest is dropped.
    static constexpr size_t kMaxUnwritten = 1 << 20;

    // files: where the log is written; null: the machine's file system.
    explicit CRawLogFile(IFileSystem* files = nullptr);
    ~CRawLogFile();
    CRawLogFile(const CRawLogFile&) = delete;
    CRawLogFile& operator=(const CRawLogFile&) = delete;

    // Closes any open file, then opens path (a relative path is taken from
    // the current directory) for appending, or truncated when append is
    // false. False when the file could not be opened; no file is open then.
    bool Open(const std::filesystem::path& path, bool append);
    // False when the file reported an error on closing, or text it never
    // took is still waiting.
    bool Close();
    bool IsOpen() const;
    // The full path of the last Open.
    std::filesystem::path Path() const;

    // Writes text as UTF-8 after what is still waiting; false when not all
    // of it was written, and false (nothing kept) when no file is open.
    bool Write(std::u16string_view text);

    // Text not yet in a file, and text dropped for good, in bytes.
    size_t Unwritten() const;
    size_t Dropped() const;

  private:
    std::unique_ptr<IFileSystem> m_ownFiles;
    IFileSystem& m_files;
    mutable std::mutex m_lock;
    std::unique_ptr<IOutputFile> m_file;
    std::filesystem::path m_path;
    std::string m_unwritten;
    size_t m_dropped = 0;
};

}  // namespace wavelore
