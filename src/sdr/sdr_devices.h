#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sdr/iq_source.h"
#include "sdr/sdr_settings.h"

namespace wavelore {

// The radios a program can open, so that the window works the same with
// SoapySDR, without it, and with the radios of a test.
class ISdrDevices {
  public:
    virtual ~ISdrDevices() = default;
    virtual std::vector<SdrDeviceInfo> List() = 0;
    // Null with a one-line reason when the device cannot be had or refuses
    // a setting.
    virtual std::unique_ptr<IIqSource> Open(const SdrSettings& settings, std::string& error) = 0;
};

}  // namespace wavelore
