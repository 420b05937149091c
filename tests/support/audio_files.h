#pragma once

// Small helpers for the command-line tests: writing recordings in the
// formats the tool accepts, and reading a reader to its end.

#include <gtest/gtest.h>
#include <samplerate.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

#include "audio/audio_file_reader.h"

namespace wavelore::test {

// Writes interleaved samples in [-1, 1] with libsndfile; format is an SF_FORMAT_* pair.
inline bool WriteSoundFile(const std::filesystem::path& path, int format, int rate, int channels,
                           const std::vector<double>& interleaved) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        return false;
    }
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size()) / channels;
    const bool ok = sf_writef_double(file, interleaved.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

// 16-bit samples as the receiver takes them, in a WAV at 11025 Hz. Written
// as shorts: the library scales doubles by 32767 on the way out.
inline bool WriteWav11025(const std::filesystem::path& path, const std::vector<int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = 11025;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        return false;
    }
    const auto frames = static_cast<sf_count_t>(samples.size());
    const bool ok = sf_writef_short(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

inline void WriteRaw(const std::filesystem::path& path, const std::vector<int16_t>& samples) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int16_t s : samples) {
        const auto u = static_cast<uint16_t>(s);
        out.put(static_cast<char>(u & 0xFF));
        out.put(static_cast<char>(u >> 8));
    }
}

// A sine of the given frequency and amplitude (full scale 1), frames long.
inline std::vector<double> Sine(double hz, int rate, size_t frames, double amplitude) {
    std::vector<double> out(frames);
    for (size_t i = 0; i < frames; ++i) {
        out[i] = amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate);
    }
    return out;
}

// 16-bit samples at 11025 Hz converted to rate, in [-1, 1].
inline std::vector<double> Resample(const std::vector<int16_t>& samples, int rate) {
    std::vector<float> in(samples.begin(), samples.end());
    for (float& v : in) {
        v /= 32768.0f;
    }
    const double ratio = static_cast<double>(rate) / 11025.0;
    std::vector<float> out(static_cast<size_t>(static_cast<double>(in.size()) * ratio) + 16);
    SRC_DATA data{};
    data.data_in = in.data();
    data.input_frames = static_cast<long>(in.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = ratio;
    EXPECT_EQ(src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1), 0);
    return std::vector<double>(out.begin(), out.begin() + data.output_frames_gen);
}

// Reads everything, step samples per call.
inline std::vector<int16_t> ReadAll(CAudioFileReader& reader, size_t step) {
    std::vector<int16_t> all;
    std::vector<int16_t> buffer(step);
    size_t n;
    while ((n = reader.Read(buffer.data(), step)) > 0) {
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return all;
}

}  // namespace wavelore::test
