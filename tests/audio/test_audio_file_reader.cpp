#include <gtest/gtest.h>

#include <complex>
#include <random>

#include "support/audio_files.h"
#include "support/fixtures.h"

namespace wavelore::test {
namespace {

// Amplitude (in int16 units) of the hz component over the middle half of the samples.
double ToneAmplitude(const std::vector<int16_t>& s, double hz) {
    const size_t begin = s.size() / 4;
    const size_t end = s.size() * 3 / 4;
    std::complex<double> sum;
    for (size_t i = begin; i < end; ++i) {
        sum += static_cast<double>(s[i]) *
               std::polar(1.0, -2.0 * std::numbers::pi * hz * static_cast<double>(i) / 11025.0);
    }
    return 2.0 * std::abs(sum) / static_cast<double>(end - begin);
}

std::vector<int16_t> ReadPath(const std::string& path, size_t step) {
    CAudioFileReader reader;
    std::string error;
    EXPECT_TRUE(reader.Open(path, error)) << error;
    std::vector<int16_t> all = ReadAll(reader, step);
    EXPECT_FALSE(reader.Failed()) << reader.Error();
    return all;
}

TEST(AudioFileReader, NativeRateSamplesArriveExactlyHoweverTheyAreRead) {
    ScopedTempDir dir;
    std::vector<int16_t> samples(10000);
    std::mt19937 rng(7);
    for (auto& s : samples) {
        s = static_cast<int16_t>(static_cast<int>(rng() % 65536) - 32768);
    }
    samples[0] = -32768;
    samples[1] = 32767;
    ASSERT_TRUE(WriteWav11025("a.wav", samples));
    WriteRaw("a.raw", samples);
    WriteRaw("A.S16LE", samples);
    for (size_t step : {1u, 7u, 2048u, 65536u}) {
        EXPECT_EQ(ReadPath("a.wav", step), samples) << "step " << step;
        EXPECT_EQ(ReadPath("a.raw", step), samples) << "step " << step;
    }
    EXPECT_EQ(ReadPath("A.S16LE", 999), samples);
}

TEST(AudioFileReader, RawIsLittleEndianAndDropsAHalfSampleAtTheEnd) {
    ScopedTempDir dir;
    WriteFile("odd.raw", std::string("\x01\x80\xff\x7f\x34\x12\x99", 7));
    EXPECT_EQ(ReadPath("odd.raw", 2), (std::vector<int16_t>{-32767, 32767, 0x1234}));
    WriteFile("empty.raw", "");
    EXPECT_TRUE(ReadPath("empty.raw", 100).empty());
}

// Every accepted shape of input becomes 11025 Hz mono with the tone intact.
TEST(AudioFileReader, ConvertsRatesDepthsAndChannels) {
    ScopedTempDir dir;
    struct Case {
        const char* name;
        int format;
        int rate;
        int channels;
    };
    const Case cases[] = {
        {"stereo48k.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2},
        {"eight.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1},
        {"cd.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 1},
        {"three.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 3},
    };
    const double seconds = 2.0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto frames = static_cast<size_t>(seconds * c.rate);
        const std::vector<double> tone = Sine(1000.0, c.rate, frames, 0.5);
        std::vector<double> interleaved;
        for (double v : tone) {
            interleaved.insert(interleaved.end(), static_cast<size_t>(c.channels), v);
        }
        ASSERT_TRUE(WriteSoundFile(c.name, c.format, c.rate, c.channels, interleaved));

        const std::vector<int16_t> whole = ReadPath(c.name, 4096);
        EXPECT_NEAR(static_cast<double>(whole.size()), seconds * 11025, 2.0);
        EXPECT_NEAR(ToneAmplitude(whole, 1000.0), 0.5 * 32768, 0.01 * 32768);
        // The converter is streamed: the pieces asked for change nothing.
        EXPECT_EQ(ReadPath(c.name, 1), whole);
        EXPECT_EQ(ReadPath(c.name, 333), whole);
    }
}

TEST(AudioFileReader, AveragesChannels) {
    ScopedTempDir dir;
    const std::vector<double> tone = Sine(800.0, 11025, 11025, 0.4);
    std::vector<double> opposite;
    std::vector<double> oneSided;
    for (double v : tone) {
        opposite.insert(opposite.end(), {v, -v});
        oneSided.insert(oneSided.end(), {v, 0.0});
    }
    const int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    ASSERT_TRUE(WriteSoundFile("opposite.wav", format, 11025, 2, opposite));
    ASSERT_TRUE(WriteSoundFile("onesided.wav", format, 11025, 2, oneSided));
    for (int16_t s : ReadPath("opposite.wav", 4096)) {
        ASSERT_EQ(s, 0);
    }
    EXPECT_NEAR(ToneAmplitude(ReadPath("onesided.wav", 4096), 800.0), 0.2 * 32768, 50.0);
}

TEST(AudioFileReader, UnreadableInputsFailToOpenWithTheirName) {
    ScopedTempDir dir;
    WriteFile("garbage.wav", "this is not a recording at all, just some text.\n");
    std::filesystem::create_directory("folder.wav");
    ASSERT_TRUE(WriteWav11025("good.wav", std::vector<int16_t>(5000, 100)));
    const std::string good = ReadFile("good.wav");
    WriteFile("cut.wav", good.substr(0, 20));  // inside the header
    ASSERT_TRUE(WriteSoundFile("slow.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 20, 1,
                               std::vector<double>(100, 0.1)));

    for (const char* name :
         {"missing.wav", "missing.raw", "garbage.wav", "folder.wav", "cut.wav", "slow.wav"}) {
        CAudioFileReader reader;
        std::string error;
        EXPECT_FALSE(reader.Open(name, error)) << name;
        EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_FALSE(reader.IsOpen());
        int16_t sample;
        EXPECT_EQ(reader.Read(&sample, 1), 0u);
    }
}

// A recording cut short in its data (an interrupted capture) keeps what it has.
TEST(AudioFileReader, DataCutShortYieldsWhatIsThere) {
    ScopedTempDir dir;
    std::vector<int16_t> samples(5000);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(i);
    }
    ASSERT_TRUE(WriteWav11025("full.wav", samples));
    const std::string full = ReadFile("full.wav");
    WriteFile("cut.wav", full.substr(0, full.size() - 2000));
    const std::vector<int16_t> got = ReadPath("cut.wav", 4096);
    ASSERT_EQ(got.size(), 4000u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), samples.begin()));
}

// Random bytes and damaged headers must end in an error or in samples, never a crash.
TEST(AudioFileReader, SurvivesRandomAndDamagedFiles) {
    ScopedTempDir dir;
    ASSERT_TRUE(WriteSoundFile("base.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2,
                               std::vector<double>(20000, 0.25)));
    ASSERT_TRUE(WriteSoundFile("base.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000, 1,
                               Sine(700.0, 8000, 8000, 0.5)));
    const std::string bases[] = {ReadFile("base.wav"), ReadFile("base.flac")};
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        std::string name;
        if (round % 3 == 0) {
            bytes.resize(rng() % 5000);
            for (char& b : bytes) {
                b = static_cast<char>(rng());
            }
            name = round % 2 ? "random.wav" : "random.raw";
        } else {
            const bool flac = round % 3 == 2;
            bytes = bases[flac ? 1 : 0];
            for (int hits = 0; hits < 1 + static_cast<int>(rng() % 4); ++hits) {
                bytes[rng() % 64] = static_cast<char>(rng());
            }
            name = flac ? "damaged.flac" : "damaged.wav";
        }
        WriteFile(name, bytes);
        CAudioFileReader reader;
        std::string error;
        if (reader.Open(name, error)) {
            ReadAll(reader, 1000);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

// Found by fuzzing: a float WAV at 384 Hz whose one sample is NaN, which
// reached the 16-bit conversion through the resampler. It reads as silence.
TEST(AudioFileReader, NotANumberReadsAsSilence) {
    ScopedTempDir dir;
    const unsigned char bytes[] = {0x52, 0x49, 0x46, 0x46, 0xe4, 0x08, 0x00, 0x00, 0x57, 0x41,
                                   0x56, 0x45, 0x66, 0x6d, 0x74, 0x20, 0x10, 0x00, 0x00, 0x00,
                                   0x03, 0x00, 0x01, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00, 0x00,
                                   0x00, 0x08, 0x01, 0x00, 0x20, 0x00, 0x64, 0x61, 0x74, 0x61,
                                   0x9c, 0x01, 0xc5, 0xff, 0xff, 0xff, 0xff, 0xff};
    WriteFile("nan.wav", std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));
    const std::vector<int16_t> got = ReadPath("nan.wav", 2048);
    EXPECT_FALSE(got.empty());
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](int16_t s) { return s == 0; }));
}

}  // namespace
}  // namespace wavelore::test
