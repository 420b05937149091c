// The enhanced chain's tuning search on synthesized transmissions: clean
// (where the keying fills the gap between the tones), weak, and noise alone.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "common/modes.h"
#include "common/sample_block.h"
#include "dsp/tone_pair_search.h"
#include "synth/synthesizer.h"

namespace wavelore {
namespace {

struct Found {
    std::optional<int32_t> centre;
    double seconds = 0.0;
    int retunes = 0;
};

// Feeds the search buffer by buffer from a tuning of 1700 Hz, retuning as
// the receiver would.
Found Search(const std::vector<int16_t>& samples) {
    CTonePairSearch search;
    Found found;
    int32_t centre = 1700;
    for (std::size_t pos = 0; pos + kSamplesPerBuffer <= samples.size(); pos += kSamplesPerBuffer) {
        SampleBlock block(nullptr, kSamplesPerBuffer);
        for (int32_t i = 0; i < kSamplesPerBuffer; ++i) {
            block[i] = samples[pos + static_cast<std::size_t>(i)] * kSampleScale;
        }
        if (const auto request = search.Process(block.Data(), kSamplesPerBuffer, centre, 85)) {
            if (!found.centre) {
                found.seconds = double(pos + kSamplesPerBuffer) / kSampleRate;
            }
            found.centre = centre = *request;
            ++found.retunes;
        }
    }
    return found;
}

std::vector<int16_t> Transmission(double centre, std::optional<double> snr) {
    synth::SynthOptions options;
    options.centreHz = centre;
    options.snrDb = snr;
    options.leadInSeconds = 1.0;
    const auto recording = synth::SynthesizeBroadcast(
        synth::SynthMode::SitorB, {{u"EA05", u"SEARCH TEST 0512/24 LIGHT BUOY UNLIT."}}, options,
        6.0);
    return recording ? recording->samples : std::vector<int16_t>();
}

TEST(TonePairSearch, FindsACleanAndAWeakTransmissionWithinSecondsAndStaysThere) {
    struct Case {
        double centre;
        std::optional<double> snr;
    };
    for (const Case c : {Case{1234.0, std::nullopt}, Case{600.0, -6.0}, Case{2800.0, 0.0}}) {
        const Found found = Search(Transmission(c.centre, c.snr));
        ASSERT_TRUE(found.centre.has_value()) << c.centre;
        EXPECT_NEAR(*found.centre, c.centre, 4.0);
        // One second of lead-in before the first bit.
        EXPECT_LT(found.seconds, 3.5) << c.centre;
        EXPECT_EQ(found.retunes, 1) << c.centre;
    }
}

TEST(TonePairSearch, NoiseAloneMovesNothing) {
    synth::SynthOptions options;
    options.snrDb = 0.0;
    options.leadInSeconds = 60.0;
    synth::Recording noise =
        synth::Synthesize(synth::CTransmission(synth::SynthMode::SitorB), options);
    noise.samples.resize(noise.keyedStart);
    EXPECT_FALSE(Search(noise.samples).centre.has_value());
}

}  // namespace
}  // namespace wavelore
