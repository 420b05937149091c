#include "support/radio_band.h"

#include <vector>

#include "synth/iq_synthesizer.h"
#include "synth/synthesizer.h"

namespace wavelore::test {

bool WriteTwoChannelBand(const std::string& path) {
    const std::vector<std::vector<synth::NavtexMessage>> traffic = {
        {{u"OA01", u"LOWER CHANNEL\nLIGHT UNLIT.\n"}},
        {{u"EA23", u"UPPER CHANNEL\nGALE WARNING.\n"}},
    };
    std::vector<synth::IqEmission> emissions;
    for (size_t c = 0; c < 2; ++c) {
        synth::SynthOptions options;
        options.snrDb = 20.0;
        options.seed = 5 + static_cast<uint32_t>(c);
        auto audio = synth::SynthesizeBroadcast(synth::SynthMode::SitorB, traffic[c], options);
        if (!audio) {
            return false;
        }
        emissions.push_back({c == 0 ? 490000.0 : 518000.0, -20.0, audio->samples});
    }
    synth::IqSceneOptions scene;
    scene.sampleRate = kBandRate;
    scene.centreHz = kBandCentre;
    synth::CIqScene rendered(emissions, scene);
    return synth::WriteIqRecording(path, synth::IqFileKind::Cu8, rendered, kBandRate, kBandCentre);
}

}  // namespace wavelore::test
