// A SoapySDR module for the tests: a receiver whose samples come from an IQ
// recording, paced at its sample rate as a radio delivers them, so the
// whole device path (module loading, settings, the stream and its end) is
// exercised through the real SoapySDR library. SoapySDR loads it from
// SOAPY_SDR_PLUGIN_PATH.
//
// Arguments: driver=wavelore_iq_file, file=PATH, format=cu8|cs16|cf32
// (none for a WAV), rate=HZ (the recording's rate for raw samples).
// It offers a direct-sampling setting, an AGC, a gain, two antennas and a
// frequency correction, and reports each back as set. Samples nobody read
// for a quarter of a second are dropped and reported as an overflow, with
// the stream's time, as a radio does. At the end of the recording the
// stream fails, as a radio pulled out does.

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Formats.hpp>
#include <SoapySDR/Registry.hpp>

#include <chrono>
#include <complex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "sdr/iq_file_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDriver = "wavelore_iq_file";
constexpr double kHeldSeconds = 0.25;

class CIqFileDevice final : public SoapySDR::Device {
  public:
    explicit CIqFileDevice(const SoapySDR::Kwargs& args) {
        m_settings.path = args.at("file");
        const auto format = args.find("format");
        if (format != args.end()) {
            m_settings.format = wavelore::ParseIqSampleFormat(format->second);
        }
        const auto rate = args.find("rate");
        m_settings.sampleRate = rate != args.end() ? std::stod(rate->second) : 0.0;
        m_settings.centreHz = 0.0;  // the radio's tuning is ours to set
        std::string error;
        // A module reports a device it cannot make by throwing: SoapySDR's
        // C interface turns that into an error.
        if (!m_reader.Open(m_settings, error)) {
            throw std::runtime_error(error);
        }
        m_rate = m_reader.Format().sampleRate;
    }

    std::string getDriverKey() const override { return kDriver; }
    std::string getHardwareKey() const override { return "wavelore-iq-file"; }
    size_t getNumChannels(const int) const override { return 1; }

    std::vector<std::string> listAntennas(const int, const size_t) const override {
        return {"RX", "LOOP"};
    }
    void setAntenna(const int, const size_t, const std::string& name) override {
        if (name != "RX" && name != "LOOP") {
            throw std::runtime_error("no antenna " + name);
        }
        m_antenna = name;
    }
    std::string getAntenna(const int, const size_t) const override { return m_antenna; }

    bool hasGainMode(const int, const size_t) const override { return true; }
    void setGainMode(const int, const size_t, const bool automatic) override { m_agc = automatic; }
    bool getGainMode(const int, const size_t) const override { return m_agc; }
    void setGain(const int, const size_t, const double value) override { m_gain = value; }
    double getGain(const int, const size_t) const override { return m_gain; }
    SoapySDR::Range getGainRange(const int, const size_t) const override { return {0.0, 50.0}; }

    bool hasFrequencyCorrection(const int, const size_t) const override { return true; }
    void setFrequencyCorrection(const int, const size_t, const double value) override {
        m_ppm = value;
    }
    double getFrequencyCorrection(const int, const size_t) const override { return m_ppm; }
    void setFrequency(const int, const size_t, const double frequency,
                      const SoapySDR::Kwargs&) override {
        m_frequency = frequency;
    }
    double getFrequency(const int, const size_t) const override { return m_frequency; }
    SoapySDR::RangeList getFrequencyRange(const int, const size_t) const override {
        return {SoapySDR::Range(0.0, 2e9)};
    }

    std::vector<double> listSampleRates(const int, const size_t) const override { return {m_rate}; }
    void setSampleRate(const int, const size_t, const double rate) override {
        if (rate != m_reader.Format().sampleRate) {
            throw std::runtime_error("the recording's rate only");
        }
    }
    double getSampleRate(const int, const size_t) const override { return m_rate; }

    SoapySDR::ArgInfoList getSettingInfo() const override {
        SoapySDR::ArgInfo direct;
        direct.key = "direct_samp";
        // Filled, not assigned: GCC 12 at -O3 warns wrongly (-Wrestrict)
        // about assigning a one-character literal.
        direct.value.assign(1, '0');
        direct.type = SoapySDR::ArgInfo::STRING;
        direct.options = {"0", "1", "2"};
        return {direct};
    }
    void writeSetting(const std::string& key, const std::string& value) override {
        if (key != "direct_samp") {
            throw std::runtime_error("no setting " + key);
        }
        m_direct = value;
    }
    std::string readSetting(const std::string& key) const override {
        return key == "direct_samp" ? m_direct : std::string();
    }

    std::vector<std::string> getStreamFormats(const int, const size_t) const override {
        return {SOAPY_SDR_CF32};
    }
    std::string getNativeStreamFormat(const int, const size_t, double& fullScale) const override {
        fullScale = 1.0;
        return SOAPY_SDR_CF32;
    }
    SoapySDR::Stream* setupStream(const int direction, const std::string& format,
                                  const std::vector<size_t>& channels,
                                  const SoapySDR::Kwargs&) override {
        if (direction != SOAPY_SDR_RX || format != SOAPY_SDR_CF32 || channels.size() > 1) {
            throw std::runtime_error("complex floats from one channel only");
        }
        return reinterpret_cast<SoapySDR::Stream*>(this);
    }
    void closeStream(SoapySDR::Stream*) override {}
    size_t getStreamMTU(SoapySDR::Stream*) const override { return 65536; }
    int activateStream(SoapySDR::Stream*, const int, const long long, const size_t) override {
        m_start = Clock::now();
        m_active = true;
        return 0;
    }
    int deactivateStream(SoapySDR::Stream*, const int, const long long) override {
        m_active = false;
        return 0;
    }

    int readStream(SoapySDR::Stream*, void* const* buffs, const size_t numElems, int& flags,
                   long long& timeNs, const long timeoutUs) override {
        flags = 0;
        if (!m_active) {
            std::this_thread::sleep_for(std::chrono::microseconds(timeoutUs));
            return SOAPY_SDR_TIMEOUT;
        }
        // Samples the radio has made by now.
        const auto due = [&] {
            return static_cast<uint64_t>(
                std::chrono::duration<double>(Clock::now() - m_start).count() * m_rate);
        };
        const uint64_t held = static_cast<uint64_t>(kHeldSeconds * m_rate);
        if (due() > m_taken + held) {
            // Nobody read them in time: the oldest are gone.
            const uint64_t drop = due() - m_taken - held / 2;
            std::vector<std::complex<float>> skip(4096);
            for (uint64_t left = drop; left > 0;) {
                const size_t got = m_reader.Read(skip.data(), std::min<uint64_t>(left, 4096));
                if (got == 0) {
                    break;
                }
                left -= got;
            }
            m_taken += drop;
            return SOAPY_SDR_OVERFLOW;
        }
        // A radio hands over whole transfers: sleep until one is due, or
        // until the timeout with what has come by then.
        const uint64_t transfer = std::min<uint64_t>(numElems, held / 2);
        const auto transferDue =
            m_start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                          static_cast<double>(m_taken + transfer) / m_rate));
        std::this_thread::sleep_until(
            std::min(transferDue, Clock::now() + std::chrono::microseconds(timeoutUs)));
        if (due() <= m_taken) {
            return SOAPY_SDR_TIMEOUT;
        }
        const size_t want = std::min<uint64_t>(numElems, due() - m_taken);
        auto* out = static_cast<std::complex<float>*>(buffs[0]);
        const size_t got = m_reader.Read(out, want);
        if (got == 0) {
            return SOAPY_SDR_STREAM_ERROR;
        }
        flags = SOAPY_SDR_HAS_TIME;
        timeNs = static_cast<long long>(static_cast<double>(m_taken) * 1e9 / m_rate);
        m_taken += got;
        return static_cast<int>(got);
    }

  private:
    wavelore::IqFileSettings m_settings;
    wavelore::CIqFileReader m_reader;
    double m_rate = 0.0;
    std::string m_antenna = "RX";
    bool m_agc = false;
    double m_gain = 0.0;
    double m_ppm = 0.0;
    double m_frequency = 0.0;
    std::string m_direct = "0";
    bool m_active = false;
    Clock::time_point m_start;
    uint64_t m_taken = 0;  // samples read or dropped since the start
};

SoapySDR::KwargsList Find(const SoapySDR::Kwargs& args) {
    const auto driver = args.find("driver");
    if (args.count("file") == 0 || (driver != args.end() && driver->second != kDriver)) {
        return {};
    }
    SoapySDR::Kwargs found = args;
    found["driver"] = kDriver;
    found["label"] = "IQ file " + args.at("file");
    return {found};
}

SoapySDR::Device* Make(const SoapySDR::Kwargs& args) {
    return new CIqFileDevice(args);
}

const SoapySDR::Registry kRegistry(kDriver, &Find, &Make, SOAPY_SDR_ABI_VERSION);

}  // namespace
