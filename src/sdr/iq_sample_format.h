#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace wavelore {

// The raw interleaved IQ sample formats SDR programs record: unsigned 8-bit
// (rtl_sdr), signed 16-bit little-endian and 32-bit float, I first.
enum class IqSampleFormat { Cu8, Cs16, Cf32 };

// "cu8", "cs16", "cf32" (any case); nothing for another name.
std::optional<IqSampleFormat> ParseIqSampleFormat(const std::string& name);
const char* IqSampleFormatName(IqSampleFormat format);
// Bytes of one complex sample.
size_t IqSampleBytes(IqSampleFormat format);
// Turns count complex samples of raw bytes into complex floats with full
// scale at 1: cu8 as (x - 127.5) / 127.5, cs16 as x / 32768.
void ConvertIqSamples(IqSampleFormat format, const uint8_t* bytes, size_t count,
                      std::complex<float>* out);

}  // namespace wavelore
