// The IQ recording reader on any file: the input is the file's bytes, read
// as a WAV IQ recording (with or without a centre in its name, so the
// "auxi" chunk is read) and as each raw format.
// Checks: an open recording has a rate and a centre and describes itself;
// a failed open says why; reads never claim more than they were asked for,
// every sample is finite, and once at the end they stay there.

#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "fuzz_input.h"
#include "sdr/iq_file_reader.h"

namespace {

namespace fs = std::filesystem;
using wavelore::fuzz::Require;
using wavelore::fuzz::TempDirectory;

constexpr size_t kMaxSamples = size_t{1} << 16;
constexpr size_t kStep = 4096;

void ReadRecording(const wavelore::IqFileSettings& settings) {
    wavelore::CIqFileReader reader;
    std::string error;
    if (!reader.Open(settings, error)) {
        Require(!error.empty(), "a failed open without a reason");
        return;
    }
    const wavelore::IqFormat format = reader.Format();
    Require(format.sampleRate > 0.0 && std::isfinite(format.centreHz),
            "an open recording without a rate or a centre");
    Require(!reader.Description().empty(), "an open recording without a description");
    std::vector<std::complex<float>> buffer(kStep);
    size_t total = 0;
    size_t got = 0;
    while (total < kMaxSamples && (got = reader.Read(buffer.data(), kStep)) > 0) {
        Require(got <= kStep, "a read gave more samples than asked for");
        for (size_t k = 0; k < got; ++k) {
            Require(std::isfinite(buffer[k].real()) && std::isfinite(buffer[k].imag()),
                    "a sample that is not a number");
        }
        total += got;
    }
    if (got == 0) {
        Require(reader.Read(buffer.data(), kStep) == 0, "a read after the end gave samples");
        Require(!reader.Failed() || !reader.Error().empty(), "a failed read without a reason");
    }
}

void Write(const fs::path& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    Require(file != nullptr, "cannot write the input file");
    const bool written = std::fwrite(data, 1, size, file) == size;
    Require(std::fclose(file) == 0 && written, "cannot write the input file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TempDirectory dir;
    using wavelore::IqSampleFormat;
    const fs::path wav = dir.path / "input.wav";
    Write(wav, data, size);
    ReadRecording({.path = wav.string()});
    ReadRecording({.path = wav.string(), .centreHz = 518000.0});
    const fs::path raw = dir.path / "input.raw";
    Write(raw, data, size);
    for (IqSampleFormat format :
         {IqSampleFormat::Cu8, IqSampleFormat::Cs16, IqSampleFormat::Cf32}) {
        ReadRecording({.path = raw.string(),
                       .format = format,
                       .sampleRate = 2048000.0,
                       .centreHz = 504000.0});
    }
    return 0;
}
