#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

namespace wavelore {

// A file being written through IFileSystem.
class IOutputFile {
  public:
    virtual ~IOutputFile() = default;
    // Writes bytes at the end of what was written. Returns how many were
    // written: all of them, or fewer with error set (a full disk takes part
    // of a write, or none).
    virtual size_t Write(std::string_view bytes, std::error_code& error) = 0;
    // Closes the file: an error some file systems report only now is the
    // result. Called once; the destructor closes a file not closed.
    virtual std::error_code Close() = 0;
};

// Where the receiver writes what it stores: the working file, the stored
// messages and the raw log go through this, so that tests can fill the disk
// or take it away.
class IFileSystem {
  public:
    enum class OpenMode {
        Truncate,  // created, or emptied
        Append,    // created, or written at its end
    };

    virtual ~IFileSystem() = default;
    // Null, with error set, when the file cannot be opened.
    virtual std::unique_ptr<IOutputFile> Open(const std::filesystem::path& path, OpenMode mode,
                                              std::error_code& error) = 0;
    // Renames from to to, unless to already exists (std::errc::file_exists).
    // An empty result means moved.
    virtual std::error_code MoveWithoutReplacing(const std::filesystem::path& from,
                                                 const std::filesystem::path& to) = 0;
};

}  // namespace wavelore
