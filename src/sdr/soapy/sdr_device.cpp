#include "sdr/soapy/sdr_device.h"

#include <SoapySDR/Device.h>
#include <SoapySDR/Errors.h>
#include <SoapySDR/Formats.h>
#include <SoapySDR/Types.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <new>

namespace wavelore {

namespace {

using Clock = std::chrono::steady_clock;

// How long one read of the stream may wait, microseconds: also how soon a
// stop is noticed.
constexpr long kReadTimeoutUs = 100000;
// A device that gives nothing for this long has gone (an RTL-SDR pulled out
// only times out).
constexpr auto kSilentFor = std::chrono::seconds(3);
// How long the ring between the stream and the host holds, seconds.
constexpr double kRingSeconds = 0.5;

// The driver's setting that selects direct sampling.
constexpr const char* kDirectSampling = "direct_samp";

std::string TakeString(char* text) {
    std::string out = text != nullptr ? text : "";
    SoapySDR_free(text);
    return out;
}

std::string LastError(const std::string& what) {
    const char* why = SoapySDRDevice_lastError();
    return what + (why != nullptr && *why != '\0' ? std::string(": ") + why : std::string());
}

std::string Hz(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f Hz", hz);
    return text;
}

bool OffersSetting(SoapySDRDevice* device, const std::string& key) {
    size_t length = 0;
    SoapySDRArgInfo* info = SoapySDRDevice_getSettingInfo(device, &length);
    bool found = false;
    for (size_t i = 0; i < length && !found; ++i) {
        found = info[i].key != nullptr && key == info[i].key;
    }
    SoapySDRArgInfoList_clear(info, length);
    return found;
}

}  // namespace

struct CSdrDevice::Handles {
    ~Handles() {
        if (stream != nullptr) {
            SoapySDRDevice_closeStream(device, stream);
        }
        if (device != nullptr) {
            SoapySDRDevice_unmake(device);
        }
    }
    SoapySDRDevice* device = nullptr;
    SoapySDRStream* stream = nullptr;
    size_t mtu = 0;
};

std::vector<SdrDeviceInfo> ListSdrDevices(const std::string& args) {
    std::vector<SdrDeviceInfo> devices;
    size_t length = 0;
    SoapySDRKwargs* found = SoapySDRDevice_enumerateStrArgs(args.c_str(), &length);
    for (size_t i = 0; i < length; ++i) {
        SdrDeviceInfo info;
        const char* label = SoapySDRKwargs_get(&found[i], "label");
        const char* driver = SoapySDRKwargs_get(&found[i], "driver");
        info.label = label != nullptr ? label : driver != nullptr ? driver : "SDR";
        info.args = TakeString(SoapySDRKwargs_toString(&found[i]));
        devices.push_back(std::move(info));
    }
    SoapySDRKwargsList_clear(found, length);
    return devices;
}

CSdrDevice::CSdrDevice() : m_handles(new Handles) {}

CSdrDevice::~CSdrDevice() {
    Stop();
}

std::unique_ptr<CSdrDevice> CSdrDevice::Open(const SdrSettings& settings, std::string& error) {
    std::unique_ptr<CSdrDevice> made(new (std::nothrow) CSdrDevice);
    if (!made) {
        error = "out of memory opening the SDR";
        return nullptr;
    }
    SoapySDRDevice* device = SoapySDRDevice_makeStrArgs(settings.args.c_str());
    if (device == nullptr) {
        error = LastError("no SDR device for \"" + settings.args + "\"");
        return nullptr;
    }
    made->m_handles->device = device;
    const std::string driver = TakeString(SoapySDRDevice_getDriverKey(device));
    if (!settings.antenna.empty() &&
        SoapySDRDevice_setAntenna(device, SOAPY_SDR_RX, 0, settings.antenna.c_str()) != 0) {
        error = LastError(driver + " refused the antenna " + settings.antenna);
        return nullptr;
    }
    if (!settings.directSampling.empty()) {
        if (!OffersSetting(device, kDirectSampling)) {
            error = driver + " offers no direct sampling";
            return nullptr;
        }
        if (SoapySDRDevice_writeSetting(device, kDirectSampling, settings.directSampling.c_str()) !=
            0) {
            error = LastError(driver + " refused direct sampling " + settings.directSampling);
            return nullptr;
        }
    }
    for (const auto& [key, value] : settings.settings) {
        if (SoapySDRDevice_writeSetting(device, key.c_str(), value.c_str()) != 0) {
            error = LastError(driver + " refused the setting " + key + "=" + value);
            return nullptr;
        }
    }
    if (SoapySDRDevice_setSampleRate(device, SOAPY_SDR_RX, 0, settings.sampleRate) != 0) {
        error = LastError(driver + " refused the sample rate " + Hz(settings.sampleRate));
        return nullptr;
    }
    if (settings.ppm != 0.0) {
        if (!SoapySDRDevice_hasFrequencyCorrection(device, SOAPY_SDR_RX, 0) ||
            SoapySDRDevice_setFrequencyCorrection(device, SOAPY_SDR_RX, 0, settings.ppm) != 0) {
            error = LastError(driver + " takes no frequency correction");
            return nullptr;
        }
    }
    if (SoapySDRDevice_setFrequency(device, SOAPY_SDR_RX, 0, settings.centreHz, nullptr) != 0) {
        error = LastError(driver + " refused the frequency " + Hz(settings.centreHz));
        return nullptr;
    }
    const bool hasAgc = SoapySDRDevice_hasGainMode(device, SOAPY_SDR_RX, 0);
    if (settings.gainDb) {
        if (hasAgc) {
            SoapySDRDevice_setGainMode(device, SOAPY_SDR_RX, 0, false);
        }
        if (SoapySDRDevice_setGain(device, SOAPY_SDR_RX, 0, *settings.gainDb) != 0) {
            error = LastError(driver + " refused the gain");
            return nullptr;
        }
    } else if (hasAgc && SoapySDRDevice_setGainMode(device, SOAPY_SDR_RX, 0, true) != 0) {
        error = LastError(driver + " refused its AGC");
        return nullptr;
    }
    const size_t channel = 0;
    SoapySDRStream* stream =
        SoapySDRDevice_setupStream(device, SOAPY_SDR_RX, SOAPY_SDR_CF32, &channel, 1, nullptr);
    if (stream == nullptr) {
        error = LastError(driver + " cannot stream complex samples");
        return nullptr;
    }
    made->m_handles->stream = stream;
    made->m_handles->mtu = std::max<size_t>(SoapySDRDevice_getStreamMTU(device, stream), 1024);

    // What the device actually took, which the channels must be made for.
    made->m_format.sampleRate = SoapySDRDevice_getSampleRate(device, SOAPY_SDR_RX, 0);
    made->m_format.centreHz = SoapySDRDevice_getFrequency(device, SOAPY_SDR_RX, 0);
    std::string description =
        driver + ", " + Hz(made->m_format.sampleRate) + ", centre " + Hz(made->m_format.centreHz);
    if (settings.gainDb || !hasAgc) {
        char gain[48];
        std::snprintf(gain, sizeof gain, ", gain %.1f dB",
                      SoapySDRDevice_getGain(device, SOAPY_SDR_RX, 0));
        description += gain;
    } else {
        description += ", gain auto";
    }
    if (settings.ppm != 0.0) {
        char ppm[48];
        std::snprintf(ppm, sizeof ppm, ", %.2f ppm",
                      SoapySDRDevice_getFrequencyCorrection(device, SOAPY_SDR_RX, 0));
        description += ppm;
    }
    if (!settings.antenna.empty()) {
        description +=
            ", antenna " + TakeString(SoapySDRDevice_getAntenna(device, SOAPY_SDR_RX, 0));
    }
    if (!settings.directSampling.empty()) {
        description += std::string(", ") + kDirectSampling + " " +
                       TakeString(SoapySDRDevice_readSetting(device, kDirectSampling));
    }
    made->m_description = description;
    return made;
}

bool CSdrDevice::Start(std::string& error) {
    if (m_started) {
        return true;
    }
    Handles& h = *m_handles;
    if (SoapySDRDevice_activateStream(h.device, h.stream, 0, 0, 0) != 0) {
        error = LastError("the SDR would not start streaming");
        return false;
    }
    m_started = true;
    const double rate = m_format.sampleRate;
    auto lastSamples = Clock::now();
    long long expectedNs = -1;
    bool overflowed = false;
    auto produce = [&h, rate, lastSamples, expectedNs, overflowed](
                       std::complex<float>* out, size_t max, size_t& count, uint64_t& lost,
                       std::string& why, const std::atomic<bool>&) mutable {
        void* buffers[] = {out};
        int flags = 0;
        long long timeNs = 0;
        const int got = SoapySDRDevice_readStream(h.device, h.stream, buffers, max, &flags, &timeNs,
                                                  kReadTimeoutUs);
        count = 0;
        if (got > 0) {
            count = static_cast<size_t>(got);
            lastSamples = Clock::now();
            const bool timed = (flags & SOAPY_SDR_HAS_TIME) != 0;
            if (overflowed) {
                // The gap in the device's clock, or at least one transfer.
                const double gap =
                    timed && expectedNs >= 0 ? (timeNs - expectedNs) * rate / 1e9 : 0.0;
                lost = gap >= 1.0 ? static_cast<uint64_t>(std::llround(gap)) : h.mtu;
                overflowed = false;
            }
            expectedNs =
                timed ? timeNs + static_cast<long long>(std::llround(got * 1e9 / rate)) : -1;
            return CIqStream::Step::More;
        }
        if (got == SOAPY_SDR_OVERFLOW) {
            overflowed = true;
            return CIqStream::Step::More;
        }
        if (got == SOAPY_SDR_TIMEOUT || got == 0) {
            if (Clock::now() - lastSamples < kSilentFor) {
                return CIqStream::Step::More;
            }
            why = "the SDR has sent nothing for three seconds (unplugged?)";
            return CIqStream::Step::Failed;
        }
        why = std::string("the SDR stopped streaming: ") + SoapySDR_errToStr(got);
        return CIqStream::Step::Failed;
    };
    if (!m_stream.Start(rate, kRingSeconds, h.mtu, std::move(produce), error)) {
        SoapySDRDevice_deactivateStream(h.device, h.stream, 0, 0);
        m_started = false;
        return false;
    }
    return true;
}

size_t CSdrDevice::Read(std::complex<float>* out, size_t max) {
    return m_stream.Read(out, max);
}

void CSdrDevice::Stop() {
    m_stream.Stop();
    if (m_started.exchange(false)) {
        SoapySDRDevice_deactivateStream(m_handles->device, m_handles->stream, 0, 0);
    }
}

}  // namespace wavelore
