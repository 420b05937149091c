// The audio file reader on any file: the input is the file's bytes, read
// once under each name the reader treats differently (".wav" and ".flac"
// through the sound-file library, ".raw" as raw samples).
// Checks: an open file describes itself and has a rate and channels; a
// failed open says why; reads never claim more than they were asked for,
// and once at the end they stay there.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "audio/audio_file_reader.h"
#include "fuzz_input.h"

namespace {

namespace fs = std::filesystem;
using wavelore::fuzz::Require;
using wavelore::fuzz::TempDirectory;

// Samples read from one file at most: more adds nothing but time (a few
// bytes of a compressed file can stand for minutes of audio).
constexpr size_t kMaxSamples = size_t{1} << 17;
constexpr size_t kStep = 2048;  // what the command-line tool asks for

void ReadFile(const fs::path& path) {
    wavelore::CAudioFileReader reader;
    std::string error;
    if (!reader.Open(path.string(), error)) {
        Require(!error.empty(), "a failed open without a reason");
        Require(!reader.IsOpen(), "a failed open left the reader open");
        return;
    }
    Require(!reader.Description().empty(), "an open file without a description");
    Require(reader.SourceRate() > 0 && reader.SourceChannels() > 0,
            "an open file without a rate or channels");
    std::vector<int16_t> buffer(kStep);
    size_t total = 0;
    size_t got = 0;
    while (total < kMaxSamples && (got = reader.Read(buffer.data(), kStep)) > 0) {
        Require(got <= kStep, "a read gave more samples than asked for");
        total += got;
    }
    if (got == 0) {
        Require(reader.Read(buffer.data(), kStep) == 0, "a read after the end gave samples");
        Require(!reader.Failed() || !reader.Error().empty(), "a failed read without a reason");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TempDirectory dir;
    for (const char* name : {"input.wav", "input.flac", "input.raw"}) {
        const fs::path path = dir.path / name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        Require(file != nullptr, "cannot write the input file");
        const bool written = std::fwrite(data, 1, size, file) == size;
        Require(std::fclose(file) == 0 && written, "cannot write the input file");
        ReadFile(path);
    }
    return 0;
}
