// The channelizer as numbers: each channel's audio flat over its band, its
// image (the lower sideband) and everything that could fold onto it
// rejected, at the rates radios and recordings use; and audio blocks that
// do not depend on how the IQ input was cut.

#include "sdr/channelizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

namespace wavelore {
namespace {

struct Collect : IChannelSink {
    std::vector<std::vector<double>> audio;
    void OnChannelBlock(size_t channel, const SampleBlock& block) override {
        audio.resize(std::max(audio.size(), channel + 1));
        audio[channel].insert(audio[channel].end(), block.Data(), block.Data() + block.Count());
    }
};

std::unique_ptr<CChannelizer> Make(double rate, double centre, std::vector<double> channels) {
    ChannelizerSettings settings;
    settings.sampleRate = rate;
    settings.centreHz = centre;
    settings.channels = std::move(channels);
    settings.agc = false;
    std::string error;
    auto made = CChannelizer::Create(settings, error);
    EXPECT_TRUE(made) << error;
    return made;
}

std::vector<std::complex<float>> Tone(double rate, double centre, double hz, double seconds) {
    std::vector<std::complex<float>> x(static_cast<size_t>(rate * seconds));
    const std::complex<double> step =
        std::polar(1.0, 2.0 * std::numbers::pi * (hz - centre) / rate);
    std::complex<double> w = 1.0;
    for (size_t k = 0; k < x.size(); ++k) {
        x[k] = std::complex<float>(w);
        w *= step;
        if (k % 1024 == 0) {
            w /= std::abs(w);
        }
    }
    return x;
}

// The RMS level of channel 0's audio once the filters have settled, in dB
// relative to what a full-scale tone gives in the passband.
double LevelDb(CChannelizer& channelizer, const std::vector<std::complex<float>>& iq) {
    Collect sink;
    channelizer.Reset();
    channelizer.Process(iq.data(), iq.size(), sink);
    channelizer.Flush(sink);
    // Past the filters' start and short of the silence the last block is
    // completed with.
    const double rate = channelizer.Settings().sampleRate;
    const auto end = static_cast<size_t>(static_cast<double>(iq.size()) / rate * 11025.0) - 100;
    if (sink.audio.empty() || sink.audio[0].size() < end || end < 2000) {
        ADD_FAILURE() << "too little audio";
        return 0.0;
    }
    const std::vector<double>& a = sink.audio[0];
    double sum = 0.0;
    for (size_t k = 1000; k < end; ++k) {
        sum += a[k] * a[k];
    }
    const double rms = std::sqrt(sum / static_cast<double>(end - 1000));
    return 20.0 * std::log10(rms / (32768.0 * 0.01 / std::sqrt(2.0)) + 1e-30);
}

struct Band {
    double rate;
    double centre;
};

TEST(Channelizer, AudioFlatImageAndAliasesRejected) {
    // An RTL-SDR at 2.048 MHz, 10 MHz of a wideband radio, a 192 kHz WAV.
    for (const Band band : {Band{2048000, 504000}, Band{10000000, 4500000}, Band{192000, 480000}}) {
        SCOPED_TRACE(band.rate);
        const double channel = 518000;
        const double carrier = channel - CChannelizer::kCarrierOffsetHz;
        auto c = Make(band.rate, band.centre, {channel});
        ASSERT_TRUE(c);
        const double seconds = 0.3;
        // The audio of a receiver in upper sideband: flat within 0.05 dB
        // from 150 to 5360 Hz, the tones at 1700 +- 85 Hz.
        double low = 1e9;
        double high = -1e9;
        for (double audio : {150.0, 300.0, 1000.0, 1615.0, 1785.0, 3000.0, 5000.0, 5360.0}) {
            const double db = LevelDb(*c, Tone(band.rate, band.centre, carrier + audio, seconds));
            low = std::min(low, db);
            high = std::max(high, db);
        }
        EXPECT_GT(low, -0.05);
        EXPECT_LT(high, 0.05);
        // The image of each of those, as far below the carrier.
        for (double audio : {150.0, 1615.0, 1700.0, 1785.0, 5000.0}) {
            EXPECT_LT(LevelDb(*c, Tone(band.rate, band.centre, carrier - audio, seconds)), -100.0)
                << audio;
        }
        // Tones across the whole sampled band away from the channel,
        // including 20 kHz off it (the next channel) and the frequencies
        // the half-band stages fold onto it.
        double worst = -1e9;
        for (int i = 0; i <= 48; ++i) {
            const double hz = band.centre - 0.45 * band.rate + 0.9 * band.rate * i / 48.0;
            if (hz > carrier - 300.0 && hz < carrier + 5512.5 + 300.0) {
                continue;
            }
            worst = std::max(worst, LevelDb(*c, Tone(band.rate, band.centre, hz, seconds)));
        }
        for (double off : {-20000.0, 20000.0, 0.25 * band.rate, 0.5 * band.rate - 2000.0}) {
            const double hz = channel + off;
            if (std::abs(hz - band.centre) < 0.45 * band.rate) {
                worst = std::max(worst, LevelDb(*c, Tone(band.rate, band.centre, hz, seconds)));
            }
        }
        EXPECT_LT(worst, -100.0);
    }
}

TEST(Channelizer, SameAudioHoweverTheInputIsCutAndChannelsShareTheirFront) {
    const double rate = 2048000;
    auto whole = Make(rate, 504000, {490000, 518000});
    auto pieces = Make(rate, 504000, {518000, 490000});
    ASSERT_TRUE(whole && pieces);
    // 490 and 518 kHz are done with one mix at the full rate.
    EXPECT_EQ(whole->FrontCount(), 1u);
    EXPECT_EQ(Make(rate, 1000000, {490000, 1518000})->FrontCount(), 2u);
    std::vector<std::complex<float>> iq(rate / 2);
    for (size_t k = 0; k < iq.size(); ++k) {
        const double t = static_cast<double>(k) / rate;
        iq[k] = std::polar(0.3f, static_cast<float>(2 * std::numbers::pi * (-12300.0 * t))) +
                std::polar(0.2f, static_cast<float>(2 * std::numbers::pi * (15700.0 * t)));
    }
    Collect a;
    Collect b;
    whole->Process(iq.data(), iq.size(), a);
    for (size_t at = 0, step = 1; at < iq.size(); at += step, step = step * 3 % 9973 + 1) {
        pieces->Process(iq.data() + at, std::min(step, iq.size() - at), b);
    }
    whole->Flush(a);
    pieces->Flush(b);
    ASSERT_EQ(a.audio.size(), 2u);
    ASSERT_EQ(b.audio.size(), 2u);
    EXPECT_EQ(a.audio[0], b.audio[1]);
    EXPECT_EQ(a.audio[1], b.audio[0]);
    // Each channel hears its own tone at 1700 Hz: 491700 and 519700 Hz.
    EXPECT_GT(*std::max_element(a.audio[0].begin(), a.audio[0].end()), 0.29 * 327.68);
}

TEST(Channelizer, RefusesWhatItCannotReceive) {
    ChannelizerSettings settings;
    settings.sampleRate = 2048000;
    settings.centreHz = 504000;
    std::string error;
    EXPECT_FALSE(CChannelizer::Create(settings, error));
    EXPECT_EQ(error, "no channel to receive");
    settings.channels = {490000, 4209500};
    EXPECT_FALSE(CChannelizer::Create(settings, error));
    EXPECT_NE(error.find("4209500 Hz"), std::string::npos) << error;
    settings.sampleRate = 8000;
    EXPECT_FALSE(CChannelizer::Create(settings, error));
    EXPECT_EQ(CChannelizer::CoveredChannels(2048000, 504000, {490000, 518000, 4209500}),
              (std::vector<double>{490000, 518000}));
    EXPECT_EQ(CChannelizer::CoveredChannels(10000000, 2500000, {490000, 518000, 4209500}),
              (std::vector<double>{490000, 518000, 4209500}));
}

}  // namespace
}  // namespace wavelore
