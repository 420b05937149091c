#include "app/raw_log_file.h"

#include "common/utf.h"
#include "system/posix_file_system.h"

namespace wavelore {

CRawLogFile::CRawLogFile(IFileSystem* files)
    : m_ownFiles(files ? nullptr : std::make_unique<CPosixFileSystem>()),
      m_files(files ? *files : *m_ownFiles) {}

CRawLogFile::~CRawLogFile() {
    Close();
}

bool CRawLogFile::Open(const std::filesystem::path& path, bool append) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file) {
        m_file->Close();
        m_file.reset();
    }
    std::error_code ec;
    std::filesystem::path full = path.is_absolute() ? path : std::filesystem::absolute(path, ec);
    if (ec) {
        full = path;
    }
    m_path = full;
    m_file = m_files.Open(
        full, append ? IFileSystem::OpenMode::Append : IFileSystem::OpenMode::Truncate, ec);
    return m_file != nullptr;
}

bool CRawLogFile::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_file) {
        return m_unwritten.empty();
    }
    std::error_code error;
    m_unwritten.erase(0, m_file->Write(m_unwritten, error));
    const bool closed = !m_file->Close();
    m_file.reset();
    return closed && !error && m_unwritten.empty();
}

bool CRawLogFile::IsOpen() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_file != nullptr;
}

std::filesystem::path CRawLogFile::Path() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_path;
}

bool CRawLogFile::Write(std::u16string_view text) {
    const std::string bytes = ToUtf8(text);
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_file) {
        return false;
    }
    m_unwritten += bytes;
    std::error_code error;
    m_unwritten.erase(0, m_file->Write(m_unwritten, error));
    if (m_unwritten.size() > kMaxUnwritten) {
        const size_t drop = m_unwritten.size() - kMaxUnwritten;
        m_unwritten.erase(0, drop);
        m_dropped += drop;
    }
    return !error;
}

size_t CRawLogFile::Unwritten() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_unwritten.size();
}

size_t CRawLogFile::Dropped() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_dropped;
}

}  // namespace wavelore
