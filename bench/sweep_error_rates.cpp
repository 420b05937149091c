// Character error rate against signal-to-noise ratio for the SITOR-B
// chains, on synthesized broadcasts: the hard chain with Strict FEC on and
// off, the enhanced chain with Strict FEC on and off. Each point decodes the
// same recordings (one noise seed each) with every chain and prints one row
// per chain: the pooled character error rate (edit distance over characters
// sent), how many messages came out whole, and how many recordings exactly.
// With --noise-minutes it decodes noise alone and counts the characters
// printed instead.
//
//   sweep_error_rates --snr -8:-2:0.5 --recordings 20 [--offset 35]
//       [--drift 20] [--baud 99.7] [--fade 10] [--chains hard-strict,enhanced]
//   sweep_error_rates --noise-minutes 10

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/modes.h"
#include "receiver/receive_chain.h"
#include "support/decode_chain.h"
#include "synth/synthesizer.h"

namespace {

using namespace wavelore;

// About 400 characters of traffic in three messages, with figures, shifts
// and line ends.
const std::vector<synth::NavtexMessage> kMessages = {
    {u"GA23",
     u"NAV WARNING 231/24\nNORTH SEA. SHIP ADRIFT 54-12.5N 003-40.2E.\n"
     u"VESSELS REQUESTED TO KEEP 2 NM CLEAR.\n"},
    {u"EE45",
     u"WEATHER FORECAST 0600 UTC\nHUMBER THAMES: SW 5 TO 7, RAIN, MODERATE OR POOR.\n"
     u"DOVER WIGHT: W 6 TO GALE 8, SQUALLY SHOWERS, GOOD OCCASIONALLY POOR.\n"},
    {u"LB12",
     u"SAR: MISSING FISHING VESSEL GRETA, 12 M, RED HULL, LAST SEEN 57-02N 007-55W.\n"
     u"VESSELS IN AREA KEEP SHARP LOOKOUT AND REPORT TO MRCC.\n"},
};

struct ChainKind {
    std::string name;
    bool enhanced;
    bool strict;
};

const std::vector<ChainKind> kChains = {
    {"hard-strict", false, true},
    {"hard-lenient", false, false},
    {"enhanced", true, true},
    {"enhanced-lenient", true, false},
};

struct Tally {
    std::size_t edits = 0;
    std::size_t sent = 0;
    int messages = 0;
    int messagesWhole = 0;
    int exact = 0;
    int recordings = 0;
};

// Each message framed as the receiver prints it.
std::vector<std::u16string> FramedMessages(const std::u16string& expected) {
    std::vector<std::u16string> framed;
    std::size_t start = 0;
    while ((start = expected.find(u"ZCZC", start)) != std::u16string::npos) {
        const std::size_t end = expected.find(u"NNNN", start);
        if (end == std::u16string::npos) {
            break;
        }
        framed.push_back(expected.substr(start, end + 4 - start));
        start = end + 4;
    }
    return framed;
}

test::ChainResult Decode(const std::vector<int16_t>& samples, const ChainKind& kind) {
    ChainSettings settings;
    settings.type = DecoderType::SitorB;
    settings.enhanced = kind.enhanced;
    return test::Receive(samples, settings, kind.strict);
}

std::vector<ChainKind> SelectChains(const std::string& list) {
    if (list.empty()) {
        return kChains;
    }
    std::vector<ChainKind> chosen;
    for (const ChainKind& kind : kChains) {
        if (("," + list + ",").find("," + kind.name + ",") != std::string::npos) {
            chosen.push_back(kind);
        }
    }
    return chosen;
}

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (const char16_t c : text) {
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

// conditions: the path (offset, drift, speed, fading); the SNR and seed are
// set per recording.
void SweepPoint(double snr, synth::SynthOptions conditions, int recordings,
                const std::vector<ChainKind>& chains, bool show) {
    std::map<std::string, Tally> tallies;
    for (int seed = 1; seed <= recordings; ++seed) {
        conditions.snrDb = snr;
        conditions.seed = static_cast<uint32_t>(seed);
        const auto recording =
            synth::SynthesizeBroadcast(synth::SynthMode::SitorB, kMessages, conditions, 2.0, 1.0);
        if (!recording) {
            std::fprintf(stderr, "cannot synthesize the messages\n");
            return;
        }
        const std::vector<std::u16string> framed = FramedMessages(recording->expectedText);
        for (const ChainKind& kind : chains) {
            const test::ChainResult result = Decode(recording->samples, kind);
            Tally& t = tallies[kind.name];
            t.edits += test::EditDistance(result.text, recording->expectedText);
            t.sent += recording->expectedText.size();
            t.exact += result.text == recording->expectedText ? 1 : 0;
            if (show && result.text != recording->expectedText) {
                std::printf("--- %s seed %d:\n%s\n", kind.name.c_str(), seed,
                            Utf8(result.text).c_str());
            }
            ++t.recordings;
            for (const std::u16string& message : framed) {
                ++t.messages;
                t.messagesWhole += result.text.find(message) != std::u16string::npos ? 1 : 0;
            }
        }
    }
    for (const ChainKind& kind : chains) {
        const Tally& t = tallies[kind.name];
        std::printf("%+6.1f dB  %-17s CER %7.3f %%  messages whole %3d/%-3d  exact %2d/%d\n", snr,
                    kind.name.c_str(), t.sent ? 100.0 * t.edits / t.sent : 0.0, t.messagesWhole,
                    t.messages, t.exact, t.recordings);
    }
    std::fflush(stdout);
}

// Characters printed from noise alone, in pieces of a minute with
// different seeds, fed to one chain per kind as one long stream.
void NoiseOnly(double minutes, const std::vector<ChainKind>& chains) {
    for (const ChainKind& kind : chains) {
        ChainSettings settings;
        settings.enhanced = kind.enhanced;
        auto chain = CReceiveChain::Create(settings);
        if (!chain) {
            continue;
        }
        chain->SetStrictFec(kind.strict);
        std::size_t printed = 0;
        const int pieces = static_cast<int>(std::ceil(minutes));
        for (int piece = 0; piece < pieces; ++piece) {
            synth::SynthOptions options;
            options.snrDb = 0.0;  // sets the noise level; no signal is keyed
            options.seed = static_cast<uint32_t>(1000 + piece);
            options.leadInSeconds = 60.0 * std::min(1.0, minutes - piece);
            // The lead-in alone: an empty emission still keys its end signals.
            synth::Recording noise =
                synth::Synthesize(synth::CTransmission(synth::SynthMode::SitorB), options);
            noise.samples.resize(noise.keyedStart);
            for (std::size_t start = 0; start + kSamplesPerBuffer <= noise.samples.size();
                 start += kSamplesPerBuffer) {
                SampleBlock block(nullptr, kSamplesPerBuffer);
                for (int32_t i = 0; i < kSamplesPerBuffer; ++i) {
                    block[i] = noise.samples[start + static_cast<std::size_t>(i)] * kSampleScale;
                }
                printed += chain->Process(block).text.size();
            }
        }
        std::printf("noise %.1f min  %-17s printed %zu characters\n", minutes, kind.name.c_str(),
                    printed);
        std::fflush(stdout);
    }
}

bool ParseRange(const std::string& text, double& from, double& to, double& step) {
    step = 1.0;
    const int n = std::sscanf(text.c_str(), "%lf:%lf:%lf", &from, &to, &step);
    if (n == 1) {
        to = from;
    }
    return n >= 1 && step > 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Character error rates of the SITOR-B chains on synthesized recordings"};
    std::string snr = "-8:-2:1";
    int recordings = 20;
    synth::SynthOptions c;
    std::string chains;
    double noiseMinutes = 0.0;
    bool show = false;
    app.add_option("--snr", snr, "FROM[:TO[:STEP]] in dB (2500 Hz)")->capture_default_str();
    app.add_option("--recordings", recordings, "recordings per point")->capture_default_str();
    app.add_option("--offset", c.toneOffsetHz, "tone offset, Hz");
    app.add_option("--drift", c.driftHzPerMinute, "tone drift, Hz per minute");
    app.add_option("--baud", c.baud, "keying speed of the transmitter");
    app.add_option("--fade", c.fadeDepthDb, "fading depth, dB");
    app.add_option("--fade-period", c.fadePeriodSeconds, "fading period, s");
    app.add_option("--chains", chains,
                   "comma-separated: hard-strict,hard-lenient,enhanced,enhanced-lenient");
    app.add_option("--noise-minutes", noiseMinutes, "decode this much noise alone instead");
    app.add_flag("--show", show, "print the text of every recording not decoded exactly");
    CLI11_PARSE(app, argc, argv);

    const std::vector<ChainKind> chosen = SelectChains(chains);
    if (noiseMinutes > 0.0) {
        NoiseOnly(noiseMinutes, chosen);
        return 0;
    }
    double from = 0.0;
    double to = 0.0;
    double step = 1.0;
    if (!ParseRange(snr, from, to, step)) {
        std::fprintf(stderr, "bad --snr\n");
        return 2;
    }
    std::printf(
        "offset %.1f Hz, drift %.1f Hz/min, %.2f baud, fading %.1f dB / %.0f s, %d "
        "recordings of %d messages per point\n",
        c.toneOffsetHz, c.driftHzPerMinute, c.baud, c.fadeDepthDb, c.fadePeriodSeconds, recordings,
        static_cast<int>(kMessages.size()));
    for (int point = 0; from + point * step <= to + 1e-9; ++point) {
        SweepPoint(from + point * step, c, recordings, chosen, show);
    }
    return 0;
}
