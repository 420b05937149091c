#include "system/tips_reader.h"

#include <cctype>
#include <chrono>
#include <ctime>
#include <system_error>

#include "common/utf.h"

namespace wavelore {

namespace {

bool IsCommentStart(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == ';';
}

}  // namespace

CTipsReader::~CTipsReader() {
    Close();
}

bool CTipsReader::Open(const std::filesystem::path& path) {
    Close();
    m_file = std::fopen(path.c_str(), "r");
    return m_file != nullptr;
}

void CTipsReader::Close() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

bool CTipsReader::Seek(int64_t position) {
    if (m_file == nullptr || position < 0 || position > INT32_MAX) {
        return false;
    }
    return std::fseek(m_file, static_cast<long>(position), SEEK_SET) == 0;
}

int64_t CTipsReader::Position() const {
    return m_file == nullptr ? -1 : std::ftell(m_file);
}

bool CTipsReader::ReadPiece(std::string& piece) {
    char buffer[kMaxRead];
    const long start = std::ftell(m_file);
    if (std::fgets(buffer, kMaxRead, m_file) == nullptr) {
        return false;
    }
    piece.assign(buffer);
    // Text mode elsewhere turns CR LF into a line feed; a file written on
    // such a system must read the same here.
    if (piece.size() >= 2 && piece.compare(piece.size() - 2, 2, "\r\n") == 0) {
        piece.erase(piece.size() - 2, 1);
    }
    // A byte-order mark written by an editor is no part of the first line.
    if (start == 0 && piece.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        piece.erase(0, 3);
    }
    return true;
}

std::u16string CTipsReader::NextTip(bool& seekFailed) {
    seekFailed = false;
    if (m_file == nullptr) {
        return {};
    }
    // The first end of file wraps to the start; a second one means a whole
    // pass went by without a tip.
    bool wrapped = false;
    std::string piece;
    for (;;) {
        if (!ReadPiece(piece)) {
            if (wrapped) {
                return {};
            }
            std::clearerr(m_file);
            if (std::fseek(m_file, 0, SEEK_SET) != 0) {
                seekFailed = true;
                return {};
            }
            wrapped = true;
            continue;
        }
        if (!piece.empty() && !IsCommentStart(piece[0])) {
            return FromUtf8(piece);
        }
    }
}

std::u16string FileModificationStamp(const std::filesystem::path& path) {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(path, error);
    if (error) {
        return {};
    }
    const auto system = std::chrono::file_clock::to_sys(written);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(system);
    char text[64];
    if (ctime_r(&seconds, text) == nullptr) {
        return {};
    }
    std::string stamp(text);
    while (!stamp.empty() && std::isspace(static_cast<unsigned char>(stamp.back()))) {
        stamp.pop_back();
    }
    return FromUtf8(stamp);
}

std::filesystem::path FindTipsFile(const std::vector<std::filesystem::path>& directories) {
    for (const auto& directory : directories) {
        const std::filesystem::path file = directory / CTipsReader::kFileName;
        std::error_code error;
        if (std::filesystem::is_regular_file(file, error)) {
            return file;
        }
    }
    return directories.empty() ? std::filesystem::path(CTipsReader::kFileName)
                               : directories.front() / CTipsReader::kFileName;
}

}  // namespace wavelore
