#include "system/file_move.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace wavelore {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

}  // namespace

std::error_code MoveFileWithoutReplacing(const std::filesystem::path& from,
                                         const std::filesystem::path& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    // Older kernels and some file systems (network, FUSE) lack the flag.
    if (errno != EINVAL && errno != ENOSYS) {
        return LastError();
    }
#endif
    // A hard link also refuses an existing name.
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0) {
            return {};
        }
        // Two names for one file: the next truncation of from would also
        // empty to, so undo the link.
        const std::error_code error = LastError();
        ::unlink(to.c_str());
        return error;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return LastError();
    }
    // No hard links here (FAT, some FUSE): a checked rename, which a file
    // created between the two steps could still lose to.
    std::error_code ec;
    if (std::filesystem::symlink_status(to, ec).type() != std::filesystem::file_type::not_found) {
        return ec ? ec : std::make_error_code(std::errc::file_exists);
    }
    std::filesystem::rename(from, to, ec);
    return ec;
}

}  // namespace wavelore
