#include "sdr/iq_file_reader.h"

#include <sndfile.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

namespace wavelore {

namespace {

// Samples converted per read.
constexpr size_t kPiece = 16384;
// In the "auxi" chunk SDR programs write into WAV recordings, the centre
// frequency follows the start and stop times (two 16-byte SYSTEMTIMEs),
// as an unsigned 32-bit number of hertz.
constexpr size_t kAuxiCentreAt = 32;

std::optional<double> CentreFromAuxi(SNDFILE* file) {
    SF_CHUNK_INFO info{};
    std::strncpy(info.id, "auxi", sizeof info.id);
    info.id_size = 4;
    SF_CHUNK_ITERATOR* it = sf_get_chunk_iterator(file, &info);
    if (it == nullptr || sf_get_chunk_size(it, &info) != SF_ERR_NO_ERROR ||
        info.datalen < kAuxiCentreAt + 4 || info.datalen > 4096) {
        return std::nullopt;
    }
    std::vector<unsigned char> data(info.datalen);
    info.data = data.data();
    if (sf_get_chunk_data(it, &info) != SF_ERR_NO_ERROR) {
        return std::nullopt;
    }
    const unsigned char* p = data.data() + kAuxiCentreAt;
    const uint32_t hz = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                        static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    if (hz == 0) {
        return std::nullopt;
    }
    return static_cast<double>(hz);
}

// A float recording may hold NaN or infinity where it was damaged; in the
// channelizer's filters and AGC one would silence the channel for good, so
// it is read as silence.
void SilenceNonFinite(std::complex<float>* samples, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        if (!std::isfinite(samples[k].real()) || !std::isfinite(samples[k].imag())) {
            samples[k] = {};
        }
    }
}

}  // namespace

std::optional<double> CentreFromFileName(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    // Each "_<digits>Hz" that ends at "_", "." or the end of the name.
    for (size_t at = name.find('_'); at != std::string::npos; at = name.find('_', at + 1)) {
        size_t end = at + 1;
        while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) {
            ++end;
        }
        if (end == at + 1 || end - at > 13 || name.compare(end, 2, "Hz") != 0) {
            continue;
        }
        const size_t after = end + 2;
        if (after == name.size() || name[after] == '_' || name[after] == '.') {
            return std::stod(name.substr(at + 1, end - at - 1));
        }
    }
    return std::nullopt;
}

struct CIqFileReader::Impl {
    ~Impl() { Close(); }
    void Close() {
        if (raw != nullptr && raw != stdin) {
            std::fclose(raw);
        }
        raw = nullptr;
        if (sound != nullptr) {
            sf_close(sound);
        }
        sound = nullptr;
    }

    std::string path;
    std::FILE* raw = nullptr;
    SNDFILE* sound = nullptr;
    IqSampleFormat format = IqSampleFormat::Cu8;
    IqFormat iq;
    std::string kind;
    std::vector<uint8_t> bytes;
    std::vector<float> frames;
    bool failed = false;
    std::string error;
};

CIqFileReader::CIqFileReader() : m_impl(new Impl) {}

CIqFileReader::~CIqFileReader() = default;

bool CIqFileReader::Open(const IqFileSettings& settings, std::string& error) {
    Impl& s = *m_impl;
    s.Close();
    s.failed = false;
    s.error.clear();
    s.path = settings.path;
    const std::string& path = settings.path;
    if (settings.format) {
        if (!(settings.sampleRate > 0.0) || !std::isfinite(settings.sampleRate)) {
            error = path + ": raw IQ samples need their sample rate";
            return false;
        }
        if (!settings.centreHz) {
            error = path + ": raw IQ samples need their centre frequency";
            return false;
        }
        s.raw = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
        if (s.raw == nullptr) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        s.format = *settings.format;
        s.iq = {settings.sampleRate, *settings.centreHz};
        s.kind = IqSampleFormatName(s.format);
        s.bytes.resize(kPiece * IqSampleBytes(s.format));
        return true;
    }
    SF_INFO info{};
    s.sound = sf_open(path.c_str(), SFM_READ, &info);
    if (s.sound == nullptr) {
        error = path + ": " + sf_strerror(nullptr) +
                " (raw IQ samples need their format: cu8, cs16 or cf32)";
        return false;
    }
    if (info.channels != 2 || info.samplerate <= 0) {
        error = path + ": an IQ recording has two channels, I and Q; this one has " +
                std::to_string(info.channels);
        s.Close();
        return false;
    }
    std::optional<double> centre = settings.centreHz;
    if (!centre) {
        centre = CentreFromAuxi(s.sound);
    }
    if (!centre) {
        centre = CentreFromFileName(path);
    }
    if (!centre) {
        error = path + ": the recording does not say its centre frequency; give it";
        s.Close();
        return false;
    }
    s.iq = {static_cast<double>(info.samplerate), *centre};
    SF_FORMAT_INFO format{};
    format.format = info.format & SF_FORMAT_TYPEMASK;
    s.kind = sf_command(s.sound, SFC_GET_FORMAT_MAJOR, &format, sizeof format) == 0 && format.name
                 ? format.name
                 : "sound file";
    s.frames.resize(2 * kPiece);
    return true;
}

size_t CIqFileReader::Read(std::complex<float>* out, size_t max) {
    Impl& s = *m_impl;
    if (s.failed || max == 0) {
        return 0;
    }
    const size_t want = std::min(max, kPiece);
    if (s.sound != nullptr) {
        const sf_count_t got =
            sf_readf_float(s.sound, s.frames.data(), static_cast<sf_count_t>(want));
        if (got <= 0) {
            if (sf_error(s.sound) != SF_ERR_NO_ERROR) {
                s.failed = true;
                s.error = s.path + ": " + sf_strerror(s.sound);
            }
            return 0;
        }
        std::memcpy(static_cast<void*>(out), s.frames.data(),
                    static_cast<size_t>(got) * 2 * sizeof(float));
        SilenceNonFinite(out, static_cast<size_t>(got));
        return static_cast<size_t>(got);
    }
    if (s.raw == nullptr) {
        return 0;
    }
    const size_t size = IqSampleBytes(s.format);
    const size_t got = std::fread(s.bytes.data(), size, want, s.raw);
    if (got == 0 && std::ferror(s.raw)) {
        s.failed = true;
        s.error = s.path + ": " + std::strerror(errno);
        return 0;
    }
    ConvertIqSamples(s.format, s.bytes.data(), got, out);
    SilenceNonFinite(out, got);
    return got;
}

IqFormat CIqFileReader::Format() const {
    return m_impl->iq;
}

bool CIqFileReader::Failed() const {
    return m_impl->failed;
}

const std::string& CIqFileReader::Error() const {
    return m_impl->error;
}

std::string CIqFileReader::Description() const {
    char text[128];
    std::snprintf(text, sizeof text, "%s, %.0f Hz, centre %.0f Hz", m_impl->kind.c_str(),
                  m_impl->iq.sampleRate, m_impl->iq.centreHz);
    return text;
}

bool ChooseIqFileFormat(const std::string& path, const std::string& formatName,
                        IqFileSettings& settings, std::string& error) {
    settings.path = path;
    std::string format = formatName;
    if (format.empty()) {
        const size_t dot = path.rfind('.');
        format = dot == std::string::npos ? "" : path.substr(dot + 1);
    }
    if (format == "wav" || format == "WAV") {
        settings.format.reset();
        return true;
    }
    settings.format = ParseIqSampleFormat(format);
    if (!settings.format) {
        error = path + ": give its format, cu8, cs16, cf32 or wav";
        return false;
    }
    return true;
}

}  // namespace wavelore
