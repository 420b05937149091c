#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "sdr/iq_source.h"
#include "sdr/iq_stream.h"
#include "sdr/sdr_settings.h"

namespace wavelore {

// The devices SoapySDR finds with the given arguments (empty: all).
std::vector<SdrDeviceInfo> ListSdrDevices(const std::string& args = {});

// A radio through SoapySDR. Its stream runs on a thread of its own and
// reaches Read through a lock-free ring (about half a second): overflows of
// the device and of the ring are counted in SamplesLost. A device that
// fails while streaming (unplugged), or delivers nothing for three seconds,
// ends the stream: Read returns 0 and Failed() is true, as a sound card's
// failure ends its capture.
class CSdrDevice final : public IIqSource {
  public:
    // Opens and sets up the device; null with a one-line reason when it
    // cannot be had or refuses a setting.
    static std::unique_ptr<CSdrDevice> Open(const SdrSettings& settings, std::string& error);
    // Stops the stream and releases the device.
    ~CSdrDevice() override;

    // The rate and centre the device actually took.
    IqFormat Format() const override { return m_format; }
    bool Start(std::string& error) override;
    size_t Read(std::complex<float>* out, size_t max) override;
    void Stop() override;
    bool Failed() const override { return m_stream.Failed(); }
    std::string Error() const override { return m_stream.Error(); }
    uint64_t SamplesLost() const override { return m_stream.SamplesLost(); }
    // The device and what it took, e.g. "rtlsdr, 2048000 Hz, centre
    // 504000 Hz, gain auto, direct_samp 2".
    std::string Description() const override { return m_description; }

    struct Handles;

  private:
    CSdrDevice();

    std::unique_ptr<Handles> m_handles;
    IqFormat m_format;
    std::string m_description;
    CIqStream m_stream;
    std::atomic<bool> m_started{false};
};

}  // namespace wavelore
