// The sample recording the README decodes first: it must stay what its
// script makes, and the receiver must print exactly its expected text.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "audio/audio_file_reader.h"
#include "common/modes.h"
#include "common/utf.h"
#include "dsp/fsk_demodulator.h"
#include "dsp/sitor_b_decoder.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

std::vector<int16_t> LoadWav(const std::filesystem::path& path) {
    std::vector<int16_t> samples;
    CAudioFileReader reader;
    std::string error;
    if (!reader.Open(path.string(), error)) {
        ADD_FAILURE() << error;
        return samples;
    }
    EXPECT_EQ(reader.SourceRate(), kSampleRate);
    EXPECT_EQ(reader.SourceChannels(), 1);
    int16_t buffer[4096];
    while (const size_t n = reader.Read(buffer, 4096)) {
        samples.insert(samples.end(), buffer, buffer + n);
    }
    return samples;
}

const std::filesystem::path kSamples = test::SourceDir() / "samples";

TEST(Sample, DecodesExactlyToItsExpectedText) {
    const std::vector<int16_t> samples = LoadWav(kSamples / "navtex_sample.wav");
    EXPECT_LE(samples.size(), 60u * kSampleRate);
    CFskDemodulator demodulator(kSampleRate, 1785, 1615, 100);
    CSitorBDecoder decoder(kSampleRate, 100);
    const test::ChainResult result = test::RunChain(samples, demodulator, decoder);
    EXPECT_EQ(test::Narrow(result.text), test::ReadFile(kSamples / "navtex_sample.txt"));
}

// Guards against a synthesizer change that leaves the committed sample
// behind. Samples may differ by one unit where the maths library rounds
// differently, nothing more.
TEST(Sample, ItsScriptMakesItAgain) {
    const std::filesystem::path synth = test::BinaryDir() / "tools" / "wavelore-synth";
    if (!std::filesystem::exists(synth)) {
        GTEST_SKIP() << "wavelore-synth is not built";
    }
    test::ScopedTempDir dir;
    const std::string command = "sh '" + (kSamples / "make_navtex_sample.sh").string() + "' '" +
                                synth.string() + "' . 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    EXPECT_EQ(test::ReadFile("navtex_sample.txt"), test::ReadFile(kSamples / "navtex_sample.txt"));
    const std::vector<int16_t> made = LoadWav("navtex_sample.wav");
    const std::vector<int16_t> committed = LoadWav(kSamples / "navtex_sample.wav");
    ASSERT_EQ(made.size(), committed.size());
    int worst = 0;
    for (std::size_t i = 0; i < made.size(); ++i) {
        worst = std::max(worst, std::abs(made[i] - committed[i]));
    }
    EXPECT_LE(worst, 1);
}

}  // namespace
}  // namespace wavelore
