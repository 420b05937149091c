#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sdr/sdr_devices.h"
#include "sdr/soapy/sdr_device.h"

namespace wavelore {

// SoapySDR's devices, for the window.
class CSoapySdrDevices final : public ISdrDevices {
  public:
    std::vector<SdrDeviceInfo> List() override { return ListSdrDevices(); }
    std::unique_ptr<IIqSource> Open(const SdrSettings& settings, std::string& error) override {
        return CSdrDevice::Open(settings, error);
    }
};

}  // namespace wavelore
