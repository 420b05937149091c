#include "sdr/iq_sample_format.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace wavelore {

std::optional<IqSampleFormat> ParseIqSampleFormat(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "cu8") {
        return IqSampleFormat::Cu8;
    }
    if (lower == "cs16") {
        return IqSampleFormat::Cs16;
    }
    if (lower == "cf32") {
        return IqSampleFormat::Cf32;
    }
    return std::nullopt;
}

const char* IqSampleFormatName(IqSampleFormat format) {
    switch (format) {
        case IqSampleFormat::Cu8:
            return "cu8";
        case IqSampleFormat::Cs16:
            return "cs16";
        case IqSampleFormat::Cf32:
            return "cf32";
    }
    return "";
}

size_t IqSampleBytes(IqSampleFormat format) {
    switch (format) {
        case IqSampleFormat::Cu8:
            return 2;
        case IqSampleFormat::Cs16:
            return 4;
        case IqSampleFormat::Cf32:
            return 8;
    }
    return 0;
}

void ConvertIqSamples(IqSampleFormat format, const uint8_t* bytes, size_t count,
                      std::complex<float>* out) {
    float* f = reinterpret_cast<float*>(out);
    const size_t values = 2 * count;
    switch (format) {
        case IqSampleFormat::Cu8:
            for (size_t k = 0; k < values; ++k) {
                f[k] = (static_cast<float>(bytes[k]) - 127.5f) * (1.0f / 127.5f);
            }
            break;
        case IqSampleFormat::Cs16:
            // Little-endian whatever the host.
            for (size_t k = 0; k < values; ++k) {
                const auto v = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * k]) |
                                                    static_cast<uint16_t>(bytes[2 * k + 1]) << 8);
                f[k] = static_cast<float>(v) * (1.0f / 32768.0f);
            }
            break;
        case IqSampleFormat::Cf32:
            for (size_t k = 0; k < values; ++k) {
                uint32_t bits = static_cast<uint32_t>(bytes[4 * k]) |
                                static_cast<uint32_t>(bytes[4 * k + 1]) << 8 |
                                static_cast<uint32_t>(bytes[4 * k + 2]) << 16 |
                                static_cast<uint32_t>(bytes[4 * k + 3]) << 24;
                std::memcpy(&f[k], &bits, sizeof bits);
            }
            break;
    }
}

}  // namespace wavelore
