#include "synth/synthesizer.h"

#include <cmath>

#include "common/modes.h"
#include "synth/fsk_modulator.h"

namespace wavelore::synth {

Recording Synthesize(const CTransmission& transmission, const SynthOptions& options) {
    const CFskModulator modulator(options);
    Recording recording;
    recording.samples = modulator.Render(transmission.MakeKeying());
    recording.expectedText = transmission.ExpectedText();
    const double before = std::max(0.0, options.silenceSeconds);
    recording.keyedStart =
        static_cast<std::size_t>(std::lround(before * kSampleRate)) +
        static_cast<std::size_t>(std::lround(std::max(0.0, options.leadInSeconds) * kSampleRate));
    return recording;
}

std::optional<Recording> SynthesizeBroadcast(SynthMode mode,
                                             const std::vector<NavtexMessage>& messages,
                                             const SynthOptions& options, double phasingSeconds,
                                             double gapSeconds) {
    const std::optional<CTransmission> transmission =
        MakeBroadcast(mode, messages, phasingSeconds, gapSeconds);
    if (!transmission) {
        return std::nullopt;
    }
    return Synthesize(*transmission, options);
}

}  // namespace wavelore::synth
