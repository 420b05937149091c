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

#include "sdr/filter_design.h"
#include "sdr/halfband_decimator.h"
#include "sdr/mixing_decimator.h"

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

TEST(Channelizer, FirstStageIsAMixThenAHalfBandStage) {
    // The turned taps and the mix after them against the plain way, for
    // filters of each length the full rate uses and a longer one, mixes up
    // and down, and input taken in uneven runs of quads across the table's
    // wrap.
    const double rate = 1000000.0;
    const uint32_t length = 64;
    std::vector<int32_t> pairsSeen;
    for (const double alias : {300.0, 2000.0, 9000.0, 40000.0}) {
        for (const int64_t turns : {int64_t{13}, int64_t{-7}}) {
            SCOPED_TRACE(alias);
            CMixingDecimator mixer;
            CHalfbandDecimator plain;
            ASSERT_TRUE(mixer.Design(rate, turns, length, alias / 2, alias, 100.0));
            ASSERT_TRUE(plain.Design(rate, alias / 2, alias, 100.0, 4096));
            ASSERT_EQ(mixer.Pairs(), plain.Pairs());
            pairsSeen.push_back(mixer.Pairs());
            const int32_t quads = 700;
            const int32_t history = mixer.History();
            const int32_t stride = history + quads;
            std::vector<float> phaseI(4 * static_cast<size_t>(stride), 0.0f);
            std::vector<float> phaseQ(phaseI.size(), 0.0f);
            std::vector<float> mixedI(4 * static_cast<size_t>(quads));
            std::vector<float> mixedQ(mixedI.size());
            for (int32_t n = 0; n < 4 * quads; ++n) {
                const std::complex<float> x(std::sin(0.37f * n) + 0.2f * std::cos(2.9f * n),
                                            std::cos(0.11f * n) - 0.3f * std::sin(1.7f * n));
                const size_t at = static_cast<size_t>((n % 4) * stride + history + n / 4);
                phaseI[at] = x.real();
                phaseQ[at] = x.imag();
                const auto mixed = x * std::complex<float>(TableTurn(turns, n, length));
                mixedI[static_cast<size_t>(n)] = mixed.real();
                mixedQ[static_cast<size_t>(n)] = mixed.imag();
            }
            std::vector<float> wantI(2 * static_cast<size_t>(quads));
            std::vector<float> wantQ(wantI.size());
            ASSERT_EQ(
                plain.Process(mixedI.data(), mixedQ.data(), 4 * quads, wantI.data(), wantQ.data()),
                2 * quads);
            std::vector<float> evenI(static_cast<size_t>(quads)), evenQ(evenI.size());
            std::vector<float> oddI(evenI.size()), oddQ(evenI.size());
            for (int32_t done = 0, run = 1; done < quads; done += run, run = run * 5 % 37 + 1) {
                run = std::min(run, quads - done);
                const size_t d = static_cast<size_t>(done);
                mixer.Process(phaseI.data() + history + done, phaseQ.data() + history + done,
                              stride, run, &evenI[d], &evenQ[d], &oddI[d], &oddQ[d]);
            }
            float worst = 0.0f;
            for (size_t j = 0; j < static_cast<size_t>(quads); ++j) {
                worst = std::max(
                    {worst, std::abs(evenI[j] - wantI[2 * j]), std::abs(evenQ[j] - wantQ[2 * j]),
                     std::abs(oddI[j] - wantI[2 * j + 1]), std::abs(oddQ[j] - wantQ[2 * j + 1])});
            }
            EXPECT_LT(worst, 1e-5f);
        }
    }
    EXPECT_EQ(pairsSeen.front(), 1);
    EXPECT_GE(pairsSeen.back(), 4);
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
