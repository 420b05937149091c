// IQ recordings as SDR programs write them: raw cu8, cs16 and cf32, and
// stereo WAV with the centre frequency in its auxi chunk or its name; a
// recording played like a radio.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "sdr/iq_file_source.h"
#include "support/audio_files.h"
#include "support/fixtures.h"
#include "synth/iq_synthesizer.h"

namespace wavelore {
namespace {

std::vector<std::complex<float>> ReadAll(IIqSource& source) {
    std::vector<std::complex<float>> got;
    std::complex<float> block[777];
    while (size_t n = source.Read(block, std::size(block))) {
        got.insert(got.end(), block, block + n);
    }
    return got;
}

std::vector<std::complex<float>> Read(const IqFileSettings& settings, std::string& error) {
    auto source = CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error);
    if (!source || !source->Start(error)) {
        return {};
    }
    return ReadAll(*source);
}

TEST(IqFiles, RawFormatsScaleToFullScaleOne) {
    test::ScopedTempDir dir;
    IqFileSettings settings;
    settings.sampleRate = 2048000;
    settings.centreHz = 504000;
    std::string error;
    // cu8: 0 and 255 are the extremes, 127.5 the middle; a trailing odd byte is no sample.
    test::WriteFile("a.cu8", std::string("\x00\xff\x80\x7f\x01", 5));
    settings.path = "a.cu8";
    settings.format = IqSampleFormat::Cu8;
    EXPECT_EQ(Read(settings, error),
              (std::vector<std::complex<float>>{{-1.0f, 1.0f}, {0.5f / 127.5f, -0.5f / 127.5f}}));
    // cs16, little-endian: -32768 is -1.
    test::WriteFile("a.cs16", std::string("\x00\x80\x00\x40\xff\xff\x01\x00", 8));
    settings.path = "a.cs16";
    settings.format = IqSampleFormat::Cs16;
    EXPECT_EQ(Read(settings, error),
              (std::vector<std::complex<float>>{{-1.0f, 0.5f}, {-1.0f / 32768, 1.0f / 32768}}));
    const std::vector<std::complex<float>> floats = {{0.25f, -0.125f}, {1e-3f, 3.0f}};
    std::string bytes(reinterpret_cast<const char*>(floats.data()), 16);
    test::WriteFile("a.cf32", bytes);
    settings.path = "a.cf32";
    settings.format = IqSampleFormat::Cf32;
    EXPECT_EQ(Read(settings, error), floats);
    auto source = CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->Description(), "a.cf32 (cf32, 2048000 Hz, centre 504000 Hz)");
    // A damaged float recording: what is not a number is read as silence,
    // which the channel's filters and AGC come through.
    const std::vector<std::complex<float>> damaged = {
        {std::nanf(""), 0.5f}, {0.25f, INFINITY}, {0.5f, -0.5f}};
    test::WriteFile("d.cf32", std::string(reinterpret_cast<const char*>(damaged.data()), 24));
    settings.path = "d.cf32";
    EXPECT_EQ(Read(settings, error),
              (std::vector<std::complex<float>>{{0.0f, 0.0f}, {0.0f, 0.0f}, {0.5f, -0.5f}}));
    settings.path = "a.cf32";

    // What raw samples cannot do without.
    settings.centreHz.reset();
    EXPECT_FALSE(CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error));
    EXPECT_EQ(error, "a.cf32: raw IQ samples need their centre frequency");
    settings.centreHz = 1.0;
    settings.sampleRate = 0;
    EXPECT_FALSE(CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error));
    EXPECT_EQ(error, "a.cf32: raw IQ samples need their sample rate");
    settings.path = "missing.cu8";
    settings.sampleRate = 1e6;
    EXPECT_FALSE(CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error));
    EXPECT_EQ(error, "missing.cu8: No such file or directory");
    EXPECT_EQ(ParseIqSampleFormat("CU8"), IqSampleFormat::Cu8);
    EXPECT_FALSE(ParseIqSampleFormat("cs8"));
}

TEST(IqFiles, WavIqTakesItsCentreFromItsChunkItsNameOrTheCaller) {
    test::ScopedTempDir dir;
    // The synthesizer's WAV IQ: a carrier, with the centre in "auxi".
    synth::IqSceneOptions options;
    options.sampleRate = 192000;
    options.centreHz = 4207000;
    options.seconds = 0.1;
    options.carriers = {{4207000 + 12000, -6.0}};
    synth::CIqScene scene({}, options);
    ASSERT_TRUE(synth::WriteIqRecording("scene.wav", synth::IqFileKind::Wav, scene,
                                        options.sampleRate, options.centreHz));
    IqFileSettings settings;
    settings.path = "scene.wav";
    std::string error;
    auto source = CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->Format().sampleRate, 192000.0);
    EXPECT_EQ(source->Format().centreHz, 4207000.0);
    ASSERT_TRUE(source->Start(error));
    const std::vector<std::complex<float>> got = ReadAll(*source);
    ASSERT_EQ(got.size(), 19200u);
    // I left, Q right: the carrier turns forward, 12 kHz at 192 kHz.
    const std::complex<float> turn = got[101] * std::conj(got[100]);
    EXPECT_NEAR(std::arg(turn), 2 * 3.14159265 * 12000 / 192000, 1e-3);
    EXPECT_NEAR(std::abs(got[100]), std::pow(10.0, -6.0 / 20.0), 1e-4);

    // A WAV without the chunk: the name as SDR programs write it, or the caller.
    std::vector<double> frames(2 * 1000, 0.25);
    ASSERT_TRUE(test::WriteSoundFile("SDR_20240101_120000Z_518000Hz_IQ.wav",
                                     SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2, frames));
    settings.path = "SDR_20240101_120000Z_518000Hz_IQ.wav";
    source = CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->Format().centreHz, 518000.0);
    ASSERT_TRUE(
        test::WriteSoundFile("plain.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, frames));
    settings.path = "plain.wav";
    EXPECT_FALSE(CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error));
    EXPECT_EQ(error, "plain.wav: the recording does not say its centre frequency; give it");
    settings.centreHz = 490000;
    source = CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->Format().centreHz, 490000.0);
    // Mono is sound, not IQ.
    ASSERT_TRUE(test::WriteSoundFile("mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1,
                                     std::vector<double>(100, 0.0)));
    settings.path = "mono.wav";
    EXPECT_FALSE(CIqFileSource::Open(settings, CIqFileSource::Pace::AsTaken, error));
    EXPECT_EQ(error, "mono.wav: an IQ recording has two channels, I and Q; this one has 1");
}

TEST(IqFiles, PlayedLikeARadioTheRecordingTakesItsOwnTime) {
    test::ScopedTempDir dir;
    std::vector<std::complex<float>> sent(60000);
    for (size_t k = 0; k < sent.size(); ++k) {
        sent[k] = {static_cast<float>(k % 1000) / 1000.0f, -0.5f};
    }
    test::WriteFile("x.cf32", std::string(reinterpret_cast<const char*>(sent.data()),
                                          sent.size() * sizeof(sent[0])));
    IqFileSettings settings{"x.cf32", IqSampleFormat::Cf32, 200000, 518000};
    std::string error;
    auto source = CIqFileSource::Open(settings, CIqFileSource::Pace::RealTime, error);
    ASSERT_TRUE(source) << error;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(source->Start(error));
    EXPECT_EQ(ReadAll(*source), sent);
    // 0.3 s of samples at their rate.
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_FALSE(source->Failed());
    EXPECT_EQ(source->SamplesLost(), 0u);
    // A stop ends a waiting read at once.
    source = CIqFileSource::Open(settings, CIqFileSource::Pace::RealTime, error);
    ASSERT_TRUE(source && source->Start(error));
    source->Stop();
    std::complex<float> one;
    EXPECT_EQ(source->Read(&one, 1), 0u);
}

}  // namespace
}  // namespace wavelore
