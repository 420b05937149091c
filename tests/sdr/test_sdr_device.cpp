// A radio through the real SoapySDR library: our test module plays an IQ
// recording at its pace, and what comes out of the device is the file.

#include "sdr/soapy/sdr_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/fixtures.h"

namespace wavelore {
namespace {

class SdrDevice : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Before SoapySDR's first call, which loads the modules.
        setenv("SOAPY_SDR_PLUGIN_PATH", WAVELORE_SOAPY_MODULES, 1);
    }

    // count random samples as a cf32 recording.
    std::vector<std::complex<float>> Write(const std::string& path, size_t count) {
        std::mt19937 engine(7);
        std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
        std::vector<std::complex<float>> samples(count);
        for (auto& s : samples) {
            s = {uniform(engine), uniform(engine)};
        }
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(count * sizeof(samples[0])));
        return samples;
    }

    SdrSettings Settings(const std::string& path, double rate) {
        SdrSettings settings;
        settings.args = "driver=wavelore_iq_file,file=" + path +
                        ",format=cf32,rate=" + std::to_string(static_cast<int>(rate));
        settings.sampleRate = rate;
        settings.centreHz = 518000;
        return settings;
    }

    static std::vector<std::complex<float>> ReadAll(IIqSource& source) {
        std::vector<std::complex<float>> got;
        std::complex<float> block[3000];
        while (size_t n = source.Read(block, std::size(block))) {
            got.insert(got.end(), block, block + n);
        }
        return got;
    }

    test::ScopedTempDir m_dir;
};

TEST_F(SdrDevice, DeliversTheRecordingAsSetUpAndEndsLikeARadioPulledOut) {
    const std::vector<std::complex<float>> sent = Write("iq.cf32", 150000);
    const std::vector<SdrDeviceInfo> found = ListSdrDevices("driver=wavelore_iq_file,file=iq.cf32");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].label, "IQ file iq.cf32");
    EXPECT_NE(found[0].args.find("driver=wavelore_iq_file"), std::string::npos);

    SdrSettings settings = Settings("iq.cf32", 500000);
    settings.gainDb = 20.0;
    settings.ppm = 1.5;
    settings.antenna = "LOOP";
    settings.directSampling = "2";
    std::string error;
    auto device = CSdrDevice::Open(settings, error);
    ASSERT_TRUE(device) << error;
    EXPECT_EQ(device->Description(),
              "wavelore_iq_file, 500000 Hz, centre 518000 Hz, gain 20.0 dB, 1.50 ppm, "
              "antenna LOOP, direct_samp 2");
    EXPECT_EQ(device->Format().sampleRate, 500000.0);
    EXPECT_EQ(device->Format().centreHz, 518000.0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device->Start(error)) << error;
    const std::vector<std::complex<float>> got = ReadAll(*device);
    // Paced as a radio: 0.3 s of samples take about that long.
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_EQ(got, sent);
    EXPECT_EQ(device->SamplesLost(), 0u);
    EXPECT_TRUE(device->Failed());
    EXPECT_EQ(device->Error(), "the SDR stopped streaming: STREAM_ERROR");
    device->Stop();
    device.reset();

    // What the device refuses, and no device at all.
    settings.antenna = "ROOF";
    EXPECT_FALSE(CSdrDevice::Open(settings, error));
    EXPECT_NE(error.find("refused the antenna ROOF"), std::string::npos) << error;
    settings.args = "driver=no_such_radio";
    EXPECT_FALSE(CSdrDevice::Open(settings, error));
    EXPECT_NE(error.find("no SDR device for \"driver=no_such_radio\""), std::string::npos) << error;
}

TEST_F(SdrDevice, AHostThatFallsBehindLosesSamplesAndHearsOfEveryOne) {
    const size_t total = 1200000;
    const std::vector<std::complex<float>> sent = Write("long.cf32", total);
    std::string error;
    auto device = CSdrDevice::Open(Settings("long.cf32", 1000000), error);
    ASSERT_TRUE(device) << error;
    ASSERT_TRUE(device->Start(error)) << error;
    // The ring holds about half a second; the host comes back after 0.9.
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    const std::vector<std::complex<float>> got = ReadAll(*device);
    EXPECT_GT(device->SamplesLost(), 100000u);
    EXPECT_EQ(got.size() + device->SamplesLost(), total);
    // What arrived is the recording's start, whole, before the loss.
    ASSERT_GT(got.size(), 1000u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 1000, sent.begin()));
}

}  // namespace
}  // namespace wavelore
