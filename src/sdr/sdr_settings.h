#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wavelore {

// How to set up a radio through SoapySDR.
struct SdrSettings {
    // SoapySDR device arguments: "driver=rtlsdr", "driver=airspyhf,serial=...",
    // "driver=remote,remote=host"; empty takes the first device found.
    std::string args;
    double sampleRate = 2048000.0;  // Hz
    double centreHz = 0.0;          // Hz
    std::optional<double> gainDb;   // none: the device's AGC
    double ppm = 0.0;               // frequency correction, parts per million
    std::string antenna;            // empty: the device's default
    // The driver's direct-sampling setting ("direct_samp": "1" the I
    // branch, "2" the Q branch on an RTL-SDR); empty leaves it alone.
    std::string directSampling;
    // Further driver settings, key and value, written as they stand.
    std::vector<std::pair<std::string, std::string>> settings;
};

// A device SoapySDR finds: a label for a menu and the arguments that open it.
struct SdrDeviceInfo {
    std::string label;
    std::string args;
};

}  // namespace wavelore
