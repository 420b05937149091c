// Two NAVTEX channels from one radio: a synthesized cu8 recording at
// 2.048 MHz holding 490 and 518 kHz (and a carrier 40 dB above the 518 kHz
// signal, 20 kHz beside it) is channelized and decoded by the receive
// chain, and each channel's text is what decoding its emission alone as
// 11025 Hz audio gives: every message, character for character.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "receiver/receive_chain.h"
#include "sdr/channelizer.h"
#include "sdr/iq_file_source.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"
#include "synth/iq_synthesizer.h"
#include "synth/synthesizer.h"

namespace wavelore {
namespace {

using synth::NavtexMessage;

// The messages of a text, "ZCZC" to "NNNN", as they are stored: what the
// decoder prints in the noise around them is not compared, since noise
// decodes differently once it has passed through a radio.
std::vector<std::string> Messages(const std::u16string& text) {
    std::vector<std::string> messages;
    for (size_t at = text.find(u"ZCZC"); at != std::u16string::npos;
         at = text.find(u"ZCZC", at + 4)) {
        const size_t end = text.find(u"NNNN", at);
        messages.push_back(
            test::Narrow(text.substr(at, end == std::u16string::npos ? end : end + 4 - at)));
    }
    return messages;
}

// Each channel's receive chain, fed block by block as the decoder thread
// feeds it.
struct Chains : IChannelSink {
    explicit Chains(const ChainSettings& settings, size_t count) {
        for (size_t c = 0; c < count; ++c) {
            chains.push_back(CReceiveChain::Create(settings));
            text.emplace_back();
        }
    }
    void OnChannelBlock(size_t channel, const SampleBlock& block) override {
        text[channel] += test::Process(*chains[channel], block).text;
    }
    void Finish() {
        for (size_t c = 0; c < chains.size(); ++c) {
            text[c] += chains[c]->Finish().text;
        }
    }
    std::vector<std::unique_ptr<CReceiveChain>> chains;
    std::vector<std::u16string> text;
};

TEST(IqReception, TwoChannelsFromOneRecordingDecodeAsTheirEmissionsAlone) {
    test::ScopedTempDir dir;
    const std::vector<std::vector<NavtexMessage>> traffic = {
        {{u"OA01", u"NAVIGATIONAL WARNING 12/24\nLIGHT 48-22N 004-47W UNLIT.\n"}},
        {{u"EA23", u"GALE WARNING 031\nDOVER WIGHT: SW 7 TO SEVERE GALE 9.\n"}},
    };
    const double frequencies[] = {490000, 518000};
    for (const double snr : {6.0, 12.0}) {
        SCOPED_TRACE(snr);
        std::vector<synth::IqEmission> emissions;
        std::vector<std::u16string> expected;
        for (size_t c = 0; c < 2; ++c) {
            synth::SynthOptions options;
            options.snrDb = snr;
            options.seed = 11 + static_cast<uint32_t>(c);
            options.silenceSeconds = 0.2;
            auto recording =
                synth::SynthesizeBroadcast(synth::SynthMode::SitorB, traffic[c], options, 2.0, 1.0);
            ASSERT_TRUE(recording);
            expected.push_back(recording->expectedText);
            emissions.push_back({frequencies[c], -34.0, recording->samples});
        }
        synth::IqSceneOptions scene;
        scene.sampleRate = 2048000;
        scene.centreHz = 504000;
        // 40 dB above the 518 kHz signal's peak (the audio peaks near 0.4
        // of its full scale), 20 kHz above it.
        scene.carriers = {{538000, -34.0 - 8.0 + 40.0}};
        synth::CIqScene rendered(emissions, scene);
        ASSERT_TRUE(synth::WriteIqRecording("band.cu8", synth::IqFileKind::Cu8, rendered,
                                            scene.sampleRate, scene.centreHz));

        IqFileSettings file;
        file.path = "band.cu8";
        file.format = IqSampleFormat::Cu8;
        file.sampleRate = scene.sampleRate;
        file.centreHz = scene.centreHz;
        std::string error;
        auto source = CIqFileSource::Open(file, CIqFileSource::Pace::AsTaken, error);
        ASSERT_TRUE(source) << error;
        ASSERT_TRUE(source->Start(error)) << error;
        ChannelizerSettings settings;
        settings.sampleRate = source->Format().sampleRate;
        settings.centreHz = source->Format().centreHz;
        settings.channels = {frequencies[0], frequencies[1]};
        auto channelizer = CChannelizer::Create(settings, error);
        ASSERT_TRUE(channelizer) << error;

        for (const bool enhanced : {false, true}) {
            SCOPED_TRACE(enhanced);
            ChainSettings chain;
            chain.enhanced = enhanced;
            Chains chains(chain, 2);
            auto again = CIqFileSource::Open(file, CIqFileSource::Pace::AsTaken, error);
            ASSERT_TRUE(again && again->Start(error));
            channelizer->Reset();
            std::vector<std::complex<float>> block(50000);
            while (size_t n = again->Read(block.data(), block.size())) {
                channelizer->Process(block.data(), n, chains);
            }
            EXPECT_FALSE(again->Failed());
            channelizer->Flush(chains);
            chains.Finish();
            for (size_t c = 0; c < 2; ++c) {
                const std::u16string alone = test::Receive(emissions[c].audio, chain).text;
                EXPECT_EQ(Messages(chains.text[c]), Messages(alone)) << c;
                EXPECT_EQ(Messages(chains.text[c]), Messages(expected[c])) << c;
            }
        }
    }
}

}  // namespace
}  // namespace wavelore
