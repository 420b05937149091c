#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace wavelore {

// Reads the tips file one tip at a time. A tip is a line that starts with
// anything but a space, a tab, a line feed or ";" (those are comments and
// blank lines). The search wraps around at the end of the file, and gives
// up with an empty tip after a whole pass without one, so a file of
// comments only never hangs the caller.
class CTipsReader {
  public:
    static constexpr const char* kFileName = "tips.txt";
    // Bytes taken by one read; a longer line is read in pieces.
    static constexpr int kMaxRead = 1000;

    CTipsReader() = default;
    ~CTipsReader();
    CTipsReader(const CTipsReader&) = delete;
    CTipsReader& operator=(const CTipsReader&) = delete;

    // False when the file cannot be opened for reading.
    bool Open(const std::filesystem::path& path);
    bool IsOpen() const { return m_file != nullptr; }
    void Close();

    // False when the position cannot be reached (a negative one, say).
    bool Seek(int64_t position);
    // Byte offset of the next read; -1 when no file is open.
    int64_t Position() const;

    // The next tip, its line feed included (a CR LF ends a line as a line
    // feed does). seekFailed is set when going back to the start failed;
    // the search then ends with what it has.
    std::u16string NextTip(bool& seekFailed);

  private:
    // One read of at most kMaxRead - 1 bytes, up to and including a line
    // feed; false at the end of the file or on a read error.
    bool ReadPiece(std::string& piece);

    std::FILE* m_file = nullptr;
};

// The tips file to read: the one in the first of directories that holds
// one; when none does, the first directory's, so that what is said is that
// the working directory lacks it.
std::filesystem::path FindTipsFile(const std::vector<std::filesystem::path>& directories);

// The file's last modification time as the C library's ctime text
// ("Wed Jun 30 21:49:08 1993"), local time, trailing white space removed;
// empty when the time cannot be read.
std::u16string FileModificationStamp(const std::filesystem::path& path);

}  // namespace wavelore
