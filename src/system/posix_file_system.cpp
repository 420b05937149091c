#include "system/posix_file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "system/file_move.h"

namespace wavelore {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

class CPosixOutputFile final : public IOutputFile {
  public:
    explicit CPosixOutputFile(int fd) : m_fd(fd) {}
    ~CPosixOutputFile() override { Close(); }
    CPosixOutputFile(const CPosixOutputFile&) = delete;
    CPosixOutputFile& operator=(const CPosixOutputFile&) = delete;

    size_t Write(std::string_view bytes, std::error_code& error) override {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                // A write of nothing without an error would loop for ever.
                error = n < 0 ? LastError() : std::make_error_code(std::errc::no_space_on_device);
                return done;
            }
            done += static_cast<size_t>(n);
        }
        return done;
    }

    std::error_code Close() override {
        if (m_fd < 0) {
            return {};
        }
        // Not retried after EINTR: the descriptor is gone either way.
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 || errno == EINTR ? std::error_code() : LastError();
    }

  private:
    int m_fd;
};

}  // namespace

std::unique_ptr<IOutputFile> CPosixFileSystem::Open(const std::filesystem::path& path,
                                                    OpenMode mode, std::error_code& error) {
    const int flags =
        O_WRONLY | O_CREAT | O_CLOEXEC | (mode == OpenMode::Append ? O_APPEND : O_TRUNC);
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = LastError();
        return nullptr;
    }
    error.clear();
    return std::make_unique<CPosixOutputFile>(fd);
}

std::error_code CPosixFileSystem::MoveWithoutReplacing(const std::filesystem::path& from,
                                                       const std::filesystem::path& to) {
    return wavelore::MoveFileWithoutReplacing(from, to);
}

}  // namespace wavelore
