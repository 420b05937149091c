#include "synth/wav_writer.h"

#include <fstream>

namespace wavelore::synth {

namespace {

void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A RIFF size field is 32 bits; keep the whole file below 4 GiB.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFULL - 36;

}  // namespace

std::string WavBytes(const std::vector<int16_t>& samples, int32_t sampleRate) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    const uint32_t rate = static_cast<uint32_t>(sampleRate);
    std::string out;
    out.reserve(44 + samples.size() * 2);
    out += "RIFF";
    Put32(out, 36 + dataBytes);
    out += "WAVE";
    out += "fmt ";
    Put32(out, 16);        // size of the format chunk
    Put16(out, 1);         // PCM
    Put16(out, 1);         // mono
    Put32(out, rate);      // samples per second
    Put32(out, rate * 2);  // bytes per second
    Put16(out, 2);         // bytes per frame
    Put16(out, 16);        // bits per sample
    out += "data";
    Put32(out, dataBytes);
    for (const int16_t s : samples) {
        Put16(out, static_cast<uint16_t>(s));
    }
    return out;
}

bool WriteWav(const std::filesystem::path& path, const std::vector<int16_t>& samples,
              int32_t sampleRate, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error != nullptr) {
            *error = why + ": " + path.string();
        }
        return false;
    };
    if (sampleRate <= 0) {
        return fail("invalid sample rate");
    }
    if (samples.size() * 2ULL > kMaxDataBytes) {
        return fail("recording too long for a WAV file");
    }
    const std::string bytes = WavBytes(samples, sampleRate);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return fail("cannot create");
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        return fail("cannot write");
    }
    return true;
}

}  // namespace wavelore::synth
