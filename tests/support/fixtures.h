#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <vector>

namespace wavelore::test {

// Creates a fresh temporary directory and makes it the current directory
// for the lifetime of the object; the previous directory is restored and
// the temporary one removed afterwards.
class ScopedTempDir {
  public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_previous;
    std::filesystem::path m_path;
};

std::filesystem::path SourceDir();
std::filesystem::path BinaryDir();
// The off-air recordings (WAVELORE_RECORDINGS_DIR, ../shared/recordings
// unless configured otherwise); empty where they are not. They stay outside
// the project, so the tests that read them skip with this reason.
std::filesystem::path RecordingsDir();
inline constexpr const char* kNoRecordings =
    "no off-air recordings in WAVELORE_RECORDINGS_DIR (configure with "
    "-DWAVELORE_RECORDINGS_DIR=DIR to run this test)";

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& contents);

// 16-bit samples as raw little-endian bytes, the tool's raw input format.
std::string RawBytes(const std::vector<int16_t>& samples);

// Polls condition until it holds (true) or timeout passes (false): for a
// state another thread reaches, such as being blocked in a wait, so that a
// test proceeds only once that state is real.
bool Eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs f on another thread and ends the whole run when it hangs: a test of
// a deadlock must fail, not wait for ever.
template <typename F>
void WithinSeconds(int seconds, F f) {
    auto done = std::async(std::launch::async, f);
    if (done.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
        ADD_FAILURE() << "did not finish within " << seconds << " s";
        std::abort();
    }
}

// How often part stands in text, overlapping ones too.
size_t CountOf(const std::string& text, const std::string& part);

// UTF-16 text as UTF-8, for readable assertion messages.
std::string Narrow(const std::u16string& text);

}  // namespace wavelore::test
