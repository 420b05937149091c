#pragma once

// What every fuzz target reads its input with, and the checks it stops on.
// The byte layout of each target's input is described at the top of its
// file; seeds.h writes inputs in those layouts.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace wavelore::fuzz {

// Stops the run with a message when a property does not hold; the fuzzer
// then saves the input as a crash.
inline void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// Every carriage return a decoder gives is followed by a line feed.
inline bool LinesEndInCrLf(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')) {
            return false;
        }
    }
    return true;
}

// Reads an input front to back; past its end every value is 0.
class CFuzzInput {
  public:
    CFuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_position >= m_size; }
    size_t Remaining() const { return Empty() ? 0 : m_size - m_position; }

    uint8_t Byte() { return Empty() ? 0 : m_data[m_position++]; }

    // Little-endian.
    int32_t Int32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= static_cast<uint32_t>(Byte()) << (8 * i);
        }
        return static_cast<int32_t>(value);
    }

    int16_t Int16() {
        const uint32_t low = Byte();
        return static_cast<int16_t>(static_cast<uint16_t>(low | (uint32_t{Byte()} << 8)));
    }

    // Up to count UTF-16 units, little-endian; a lone last byte is dropped.
    std::u16string Units(size_t count) {
        std::u16string text;
        while (count-- > 0 && Remaining() >= 2) {
            text += static_cast<char16_t>(static_cast<uint16_t>(Int16()));
        }
        return text;
    }

    // The bytes not read yet.
    std::string_view Rest() {
        const size_t n = Remaining();
        const std::string_view rest(reinterpret_cast<const char*>(m_data) + m_position, n);
        m_position += n;
        return rest;
    }

  private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

// Appends in the layouts CFuzzInput reads.
inline void PutInt32(std::string& out, int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((u >> (8 * i)) & 0xFF);
    }
}

inline void PutUnits(std::string& out, std::u16string_view text) {
    for (const char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
}

// A fresh directory for the files a run writes, removed with all in it.
struct TempDirectory {
    std::filesystem::path path;
    TempDirectory() {
        std::string name =
            (std::filesystem::temp_directory_path() / "wavelore-fuzz-XXXXXX").string();
        Require(::mkdtemp(name.data()) != nullptr, "cannot make a temporary directory");
        path = name;
    }
    ~TempDirectory() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

}  // namespace wavelore::fuzz
