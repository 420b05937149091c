#include "support/fixtures.h"

#include <fstream>
#include <random>
#include <sstream>

namespace wavelore::test {

ScopedTempDir::ScopedTempDir() : m_previous(std::filesystem::current_path()) {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        m_path = base / ("wavelore-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(m_path)) {
            break;
        }
    }
    std::filesystem::current_path(m_path);
}

ScopedTempDir::~ScopedTempDir() {
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path SourceDir() { return WAVELORE_SOURCE_DIR; }
std::filesystem::path BinaryDir() { return WAVELORE_BINARY_DIR; }

std::filesystem::path RecordingsDir() {
    std::error_code ec;
    std::filesystem::path dir = WAVELORE_RECORDINGS_DIR;
    return std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path();
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace wavelore::test
