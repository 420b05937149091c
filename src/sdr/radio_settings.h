#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sdr/iq_source.h"
#include "sdr/sdr_settings.h"

namespace wavelore {

// What a radio is received with: how an SDR is set up, and which of its
// channels (or of an IQ recording's) are decoded. Plain values, as the
// window remembers them.
struct RadioSettings {
    // The NAVTEX channels, taken where the band covers them when no
    // channels are given.
    static constexpr double kNavtexChannels[] = {490000.0, 518000.0, 4209500.0};
    // The sample rates a radio or an IQ recording is taken at: from the
    // receiver's own rate to 1 GHz, beyond any receiver's.
    static constexpr double kMinSampleRate = 11025.0;
    static constexpr double kMaxSampleRate = 1e9;
    static bool TakesSampleRate(double hz) { return hz >= kMinSampleRate && hz <= kMaxSampleRate; }

    std::string args;  // the SDR's SoapySDR arguments
    double sampleRate = 2048000.0;
    double centreHz = 0.0;         // 0: midway between the channels
    std::optional<double> gainDb;  // none: the device's AGC
    double ppm = 0.0;
    // The oscillator of an upconverter in front of the SDR (125000000):
    // the SDR is tuned that much higher, the channels keep their own
    // frequencies. 0: none.
    double upconverterHz = 0.0;
    std::string directSampling;    // "", "1" (I branch) or "2" (Q branch)
    std::vector<double> channels;  // Hz; empty: the NAVTEX channels covered

    // The centre an SDR is tuned to: the one given, else midway between
    // the channels (490 and 518 kHz when none are given).
    double Centre() const;
    // How to open an SDR with these settings.
    SdrSettings Sdr() const;
    // What an SDR opened with them samples, as on the antenna.
    IqFormat AntennaBand(const IqFormat& tuned) const;
    // The channels decoded from a band: those given that it covers, or the
    // NAVTEX channels it covers. Empty when it covers none.
    std::vector<double> ChannelsIn(const IqFormat& band) const;

    // "518000", "518k", "518kHz", "4209.5k": Hz; none for anything else.
    static std::optional<double> ParseFrequency(std::string_view text);
    // "490k, 518k" or "490000,518000"; none when an item is no frequency.
    static std::optional<std::vector<double>> ParseChannels(std::string_view text);
    // As ParseChannels, but a bare number below 100000 is kHz, as a person
    // writes channels: "490, 518" or "4209.5".
    static std::optional<std::vector<double>> ParseChannelsKhz(std::string_view text);
    // "auto" (or nothing): the AGC, as none; else dB from -100 to 200.
    // False for anything else.
    static bool ParseGain(std::string_view text, std::optional<double>& gainDb);
    static std::string GainText(const std::optional<double>& gainDb);
    // As ParseChannels reads it, in kHz: "490k, 518k, 4209.5k".
    static std::string ChannelsText(const std::vector<double>& channels);
};

}  // namespace wavelore
