#include "support/fixtures.h"

#include "common/utf.h"

#include <fstream>
#include <random>
#include <sstream>
#include <thread>

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

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::filesystem::path SourceDir() {
    return WAVELORE_SOURCE_DIR;
}
std::filesystem::path BinaryDir() {
    return WAVELORE_BINARY_DIR;
}

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

std::string RawBytes(const std::vector<int16_t>& samples) {
    std::string bytes;
    bytes.reserve(2 * samples.size());
    for (int16_t s : samples) {
        bytes.push_back(static_cast<char>(static_cast<uint16_t>(s) & 0xFF));
        bytes.push_back(static_cast<char>(static_cast<uint16_t>(s) >> 8));
    }
    return bytes;
}

size_t CountOf(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

std::string Narrow(const std::u16string& text) {
    return ToUtf8(text);
}

}  // namespace wavelore::test
