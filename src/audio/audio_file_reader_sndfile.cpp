#include "audio/audio_file_reader.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "common/modes.h"

namespace wavelore {

namespace {

// Frames read from the source per step: small enough for a quick start on a
// live pipe, large enough to keep the per-call overhead low.
constexpr size_t kChunkFrames = 4096;
// Bytes of raw input read per step (an even number: whole samples).
constexpr size_t kRawChunkBytes = 8192;
// The sinc converter with a 97 dB stop band at a few tens of times real time;
// the demodulator after it is the slower stage by far.
constexpr int kConverter = SRC_SINC_MEDIUM_QUALITY;

int16_t ToInt16(double normalised) {
    // A float file can hold NaN, which no integer stands for: take silence.
    if (std::isnan(normalised)) {
        return 0;
    }
    // The sound-file library normalises integer formats to [-1, 1) by
    // dividing by 2^15 for 16 bits, so this scale round-trips 16-bit input.
    const double v = std::nearbyint(normalised * 32768.0);
    if (v >= 32767.0) {
        return 32767;
    }
    if (v <= -32768.0) {
        return -32768;
    }
    return static_cast<int16_t>(v);
}

std::string Quoted(const std::string& path) {
    return path == "-" ? std::string("standard input") : "'" + path + "'";
}

std::string FormatName(int format) {
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof(info)) == 0 && info.name) {
        return info.name;
    }
    return "audio file";
}

}  // namespace

bool IsRawAudioPath(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".raw" || ext == ".s16le";
}

struct CAudioFileReader::Impl {
    enum class Kind { None, Raw, Sound };

    Kind kind = Kind::None;
    std::string path;
    std::string error;
    std::string description;
    bool failed = false;
    int32_t rate = 0;
    int32_t channels = 0;

    // Raw input.
    std::FILE* file = nullptr;
    bool ownsFile = false;
    std::unique_ptr<unsigned char[]> bytes;
    bool hasOddByte = false;
    unsigned char oddByte = 0;

    // Sound-file input.
    SNDFILE* sound = nullptr;
    size_t chunkFrames = 0;
    std::unique_ptr<double[]> frames;  // interleaved, chunkFrames * channels
    // Resampling (only when the source is not already at 11025 Hz).
    SRC_STATE* converter = nullptr;
    double ratio = 1.0;
    std::unique_ptr<float[]> monoIn;  // mono input waiting for the converter
    size_t inStart = 0;
    size_t inCount = 0;
    bool inputEnded = false;
    std::unique_ptr<float[]> monoOut;  // converted samples not yet handed out
    size_t outCapacity = 0;
    size_t outStart = 0;
    size_t outCount = 0;
    bool converterDrained = false;

    ~Impl() { Close(); }

    void Close() {
        if (file && ownsFile) {
            std::fclose(file);
        }
        file = nullptr;
        ownsFile = false;
        if (sound) {
            sf_close(sound);
            sound = nullptr;
        }
        if (converter) {
            src_delete(converter);
            converter = nullptr;
        }
        kind = Kind::None;
        bytes.reset();
        frames.reset();
        monoIn.reset();
        monoOut.reset();
        hasOddByte = false;
        inStart = inCount = outStart = outCount = outCapacity = 0;
        inputEnded = converterDrained = false;
        rate = channels = 0;
    }

    void Fail(const std::string& why) {
        failed = true;
        error = why;
    }

    bool OpenRaw(std::string& err) {
        if (path == "-") {
            file = stdin;
            ownsFile = false;
        } else {
            file = std::fopen(path.c_str(), "rb");
            if (!file) {
                err = "cannot open " + Quoted(path) + ": " + std::strerror(errno);
                return false;
            }
            ownsFile = true;
        }
        bytes.reset(new (std::nothrow) unsigned char[kRawChunkBytes]);
        if (!bytes) {
            err = "out of memory opening " + Quoted(path);
            return false;
        }
        kind = Kind::Raw;
        rate = kSampleRate;
        channels = 1;
        description = "raw signed 16-bit little-endian, 11025 Hz, 1 channel";
        return true;
    }

    bool OpenSound(std::string& err) {
        SF_INFO info{};
        sound = sf_open(path.c_str(), SFM_READ, &info);
        if (!sound) {
            err = "cannot read " + Quoted(path) + ": " + sf_strerror(nullptr);
            return false;
        }
        if (info.channels <= 0 || info.samplerate <= 0) {
            err = "cannot read " + Quoted(path) + ": no audio channels or no sample rate";
            return false;
        }
        rate = info.samplerate;
        channels = info.channels;
        description = FormatName(info.format) + ", " + std::to_string(rate) + " Hz, " +
                      std::to_string(channels) + (channels == 1 ? " channel" : " channels");
        // Keep the interleaved buffer near the same size whatever the channel count.
        chunkFrames = std::max<size_t>(64, kChunkFrames / static_cast<size_t>(channels));
        frames.reset(new (std::nothrow) double[chunkFrames * static_cast<size_t>(channels)]);
        if (!frames) {
            err = "out of memory opening " + Quoted(path);
            return false;
        }
        if (rate != kSampleRate) {
            ratio = static_cast<double>(kSampleRate) / rate;
            if (!src_is_valid_ratio(ratio)) {
                err = "cannot read " + Quoted(path) + ": sample rate " + std::to_string(rate) +
                      " Hz is out of the convertible range";
                return false;
            }
            int srcError = 0;
            converter = src_new(kConverter, 1, &srcError);
            if (!converter) {
                err = "cannot convert " + Quoted(path) + ": " + src_strerror(srcError);
                return false;
            }
            outCapacity = static_cast<size_t>(std::ceil(chunkFrames * ratio)) + 64;
            monoIn.reset(new (std::nothrow) float[chunkFrames]);
            monoOut.reset(new (std::nothrow) float[outCapacity]);
            if (!monoIn || !monoOut) {
                err = "out of memory opening " + Quoted(path);
                return false;
            }
        }
        kind = Kind::Sound;
        return true;
    }

    size_t ReadRaw(int16_t* out, size_t max) {
        size_t produced = 0;
        while (produced < max) {
            const size_t wantBytes = std::min(kRawChunkBytes, (max - produced) * 2);
            const size_t got = std::fread(bytes.get(), 1, wantBytes, file);
            size_t i = 0;
            if (hasOddByte && got > 0) {
                out[produced++] =
                    static_cast<int16_t>(static_cast<uint16_t>(oddByte | (bytes[0] << 8)));
                hasOddByte = false;
                i = 1;
            }
            for (; i + 1 < got; i += 2) {
                out[produced++] =
                    static_cast<int16_t>(static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
            }
            if (i < got) {
                oddByte = bytes[i];
                hasOddByte = true;
            }
            if (got < wantBytes) {
                if (std::ferror(file)) {
                    Fail("read error on " + Quoted(path) + ": " + std::strerror(errno));
                }
                // A lone trailing byte is half a sample; it is dropped.
                break;
            }
        }
        return produced;
    }

    // Reads up to count frames and averages their channels into mono, which
    // may be the front of the frame buffer itself (each frame is read before
    // its slot is overwritten). Returns 0 at the end or on error.
    template <typename T>
    size_t ReadMono(size_t count, T* mono) {
        const sf_count_t got = sf_readf_double(sound, frames.get(), static_cast<sf_count_t>(count));
        if (got <= 0) {
            if (sf_error(sound) != SF_ERR_NO_ERROR) {
                Fail("read error in " + Quoted(path) + ": " + sf_strerror(sound));
            }
            return 0;
        }
        for (sf_count_t f = 0; f < got; ++f) {
            const double* frame = frames.get() + f * channels;
            double sum = 0.0;
            for (int32_t c = 0; c < channels; ++c) {
                sum += frame[c];
            }
            mono[f] = static_cast<T>(sum / channels);
        }
        return static_cast<size_t>(got);
    }

    size_t ReadSound(int16_t* out, size_t max) {
        size_t produced = 0;
        if (!converter) {
            while (produced < max) {
                const size_t want = std::min(chunkFrames, max - produced);
                const size_t got = ReadMono(want, frames.get());
                for (size_t i = 0; i < got; ++i) {
                    out[produced++] = ToInt16(frames[i]);
                }
                if (got < want) {
                    break;
                }
            }
            return produced;
        }
        while (produced < max) {
            if (outCount > 0) {
                const size_t n = std::min(outCount, max - produced);
                for (size_t i = 0; i < n; ++i) {
                    out[produced++] = ToInt16(monoOut[outStart + i]);
                }
                outStart += n;
                outCount -= n;
                continue;
            }
            if (converterDrained || failed) {
                break;
            }
            if (inCount == 0 && !inputEnded) {
                const size_t got = ReadMono(chunkFrames, monoIn.get());
                if (failed) {
                    break;
                }
                inStart = 0;
                inCount = got;
                inputEnded = got == 0;
            }
            SRC_DATA data{};
            data.data_in = monoIn.get() + inStart;
            data.input_frames = static_cast<long>(inCount);
            data.data_out = monoOut.get();
            data.output_frames = static_cast<long>(outCapacity);
            data.end_of_input = inputEnded ? 1 : 0;
            data.src_ratio = ratio;
            const int err = src_process(converter, &data);
            if (err != 0) {
                Fail("cannot convert " + Quoted(path) + ": " + src_strerror(err));
                break;
            }
            inStart += static_cast<size_t>(data.input_frames_used);
            inCount -= static_cast<size_t>(data.input_frames_used);
            outStart = 0;
            outCount = static_cast<size_t>(data.output_frames_gen);
            if (inputEnded && inCount == 0 && outCount == 0) {
                converterDrained = true;
            }
        }
        return produced;
    }
};

CAudioFileReader::CAudioFileReader() : m_impl(std::make_unique<Impl>()) {}

CAudioFileReader::~CAudioFileReader() = default;

bool CAudioFileReader::Open(const std::string& path, std::string& error) {
    Close();
    Impl& d = *m_impl;
    d.path = path;
    d.error.clear();
    d.description.clear();
    d.failed = false;
    if (path.empty()) {
        error = "no input file given";
        return false;
    }
    if (path != "-") {
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (!std::filesystem::exists(status)) {
            error = "cannot open " + Quoted(path) + ": no such file";
            return false;
        }
        if (std::filesystem::is_directory(status)) {
            error = "cannot read " + Quoted(path) + ": it is a directory";
            return false;
        }
    }
    const bool ok = (path == "-" || IsRawAudioPath(path)) ? d.OpenRaw(error) : d.OpenSound(error);
    if (!ok) {
        d.Close();
    }
    return ok;
}

void CAudioFileReader::Close() {
    m_impl->Close();
}

bool CAudioFileReader::IsOpen() const {
    return m_impl->kind != Impl::Kind::None;
}

size_t CAudioFileReader::Read(int16_t* out, size_t max) {
    Impl& d = *m_impl;
    if (!out || max == 0 || d.failed) {
        return 0;
    }
    switch (d.kind) {
        case Impl::Kind::Raw:
            return d.ReadRaw(out, max);
        case Impl::Kind::Sound:
            return d.ReadSound(out, max);
        case Impl::Kind::None:
            break;
    }
    return 0;
}

bool CAudioFileReader::Failed() const {
    return m_impl->failed;
}

const std::string& CAudioFileReader::Error() const {
    return m_impl->error;
}

const std::string& CAudioFileReader::Description() const {
    return m_impl->description;
}

int32_t CAudioFileReader::SourceRate() const {
    return m_impl->rate;
}

int32_t CAudioFileReader::SourceChannels() const {
    return m_impl->channels;
}

}  // namespace wavelore
