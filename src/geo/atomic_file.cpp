#include "geo/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace wavelore {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

std::error_code WriteAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        contents.remove_prefix(static_cast<size_t>(written));
    }
    return {};
}

}  // namespace

std::error_code RewriteFileAtomically(const std::filesystem::path& path,
                                      std::string_view contents) {
    if (path.filename().empty()) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    // A hidden name in the same directory, unique by mkstemp. Appended, not
    // "." + name: GCC 12 warns wrongly (-Wrestrict) about that at -O3.
    std::string hidden(1, '.');
    hidden += path.filename().string();
    hidden += ".XXXXXX";
    std::string temporary = (path.parent_path() / hidden).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return LastError();
    }
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    std::error_code error = WriteAll(fd, contents);
    // The contents reach the disk before the name does, so that a crash
    // leaves the old file or the new one, never an empty one.
    if (!error && ::fsync(fd) != 0) {
        error = LastError();
    }
    if (!error && ::fchmod(fd, mode) != 0) {
        error = LastError();
    }
    if (::close(fd) != 0 && !error) {
        error = LastError();
    }
    if (!error && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = LastError();
    }
    if (error) {
        ::unlink(temporary.c_str());
    }
    return error;
}

}  // namespace wavelore
