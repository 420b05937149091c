#include "app/raw_log_file.h"

#include <string>

#include "common/utf.h"

namespace wavelore {

CRawLogFile::~CRawLogFile() {
    Close();
}

bool CRawLogFile::Open(const std::filesystem::path& path, bool append) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    std::error_code ec;
    std::filesystem::path full = path.is_absolute() ? path : std::filesystem::absolute(path, ec);
    if (ec) {
        full = path;
    }
    m_path = full;
    m_file = std::fopen(full.c_str(), append ? "ab" : "wb");
    return m_file != nullptr;
}

void CRawLogFile::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
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
    if (m_file == nullptr) {
        return false;
    }
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), m_file);
    const bool flushed = std::fflush(m_file) == 0;
    return written == bytes.size() && flushed;
}

}  // namespace wavelore
