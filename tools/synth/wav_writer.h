#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace wavelore::synth {

// Writes 16-bit PCM mono samples as a canonical 44-byte-header WAV file,
// little-endian whatever the host. Returns false with a reason in error (if
// given) when the file cannot be written completely.
bool WriteWav(const std::filesystem::path& path, const std::vector<int16_t>& samples,
              int32_t sampleRate, std::string* error = nullptr);

// The bytes of such a file, for callers that want them in memory.
std::string WavBytes(const std::vector<int16_t>& samples, int32_t sampleRate);

}  // namespace wavelore::synth
