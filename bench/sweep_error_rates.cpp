// Character error rate against signal-to-noise ratio for the SITOR-B
// chains, on synthesized broadcasts: the hard chain with Strict FEC on and
// off, the enhanced chain with Strict FEC on and off. Each point decodes the
// same recordings (one noise seed each) with every chain and prints one row
// per chain: the pooled character error rate (edit distance over characters
// sent), the same inside messages only, the characters printed outside
// messages, how many messages came out complete (header and end intact)
// and whole (every character right), and how many recordings exactly.
// With --noise-minutes it decodes noise alone and counts the characters
// printed instead; with --table it measures the HF channel conditions
// below for the hard and the enhanced chain side by side.
//
//   sweep_error_rates --snr -8:-2:0.5 --recordings 20 [--offset 35]
//       [--drift 20] [--baud 99.7] [--fade 10] [--paths 2 --delay 2
//       --spread 1] [--imbalance 20] [--carrier 300:25] [--idle-end 2]
//       [--chains hard-strict,enhanced]
//   sweep_error_rates --noise-minutes 10
//   sweep_error_rates --table [--recordings 6]

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
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
    test::MessageScore messages;
    int exact = 0;
    int recordings = 0;
};

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

// The recordings of one point, each decoded by every chain.
std::map<std::string, Tally> Measure(synth::SynthOptions conditions, double idleEnd, int recordings,
                                     const std::vector<ChainKind>& chains, bool show) {
    std::map<std::string, Tally> tallies;
    std::optional<synth::CTransmission> broadcast =
        synth::MakeBroadcast(synth::SynthMode::SitorB, kMessages, 2.0, 1.0);
    if (!broadcast) {
        std::fprintf(stderr, "cannot synthesize the messages\n");
        return tallies;
    }
    broadcast->SetIdleAfterEnd(idleEnd);
    for (int seed = 1; seed <= recordings; ++seed) {
        conditions.seed = static_cast<uint32_t>(seed);
        const synth::Recording recording = synth::Synthesize(*broadcast, conditions);
        for (const ChainKind& kind : chains) {
            const test::ChainResult result = Decode(recording.samples, kind);
            Tally& t = tallies[kind.name];
            t.edits += test::EditDistance(result.text, recording.expectedText);
            t.sent += recording.expectedText.size();
            t.messages += test::ScoreMessages(result.text, recording.expectedText);
            t.exact += result.text == recording.expectedText ? 1 : 0;
            if (show && result.text != recording.expectedText) {
                std::printf("--- %s seed %d:\n%s\n", kind.name.c_str(), seed,
                            Utf8(result.text).c_str());
            }
            ++t.recordings;
        }
    }
    return tallies;
}

void SweepPoint(double snr, synth::SynthOptions conditions, double idleEnd, int recordings,
                const std::vector<ChainKind>& chains, bool show) {
    conditions.snrDb = snr;
    const std::map<std::string, Tally> tallies =
        Measure(conditions, idleEnd, recordings, chains, show);
    for (const ChainKind& kind : chains) {
        const auto found = tallies.find(kind.name);
        if (found == tallies.end()) {
            continue;
        }
        const Tally& t = found->second;
        const test::MessageScore& m = t.messages;
        std::printf(
            "%+6.1f dB  %-17s CER %7.3f %%  in messages %7.3f %%  outside %3zu  "
            "complete %3d/%-3d  whole %3d/%-3d  exact %2d/%d\n",
            snr, kind.name.c_str(), t.sent ? 100.0 * t.edits / t.sent : 0.0, 100.0 * m.Rate(),
            m.outside, m.complete, m.messages, m.exact, m.messages, t.exact, t.recordings);
    }
    std::fflush(stdout);
}

// The HF channel conditions of the weak-signal chain's field trials: night
// reception by ground and sky wave (two Rayleigh-fading paths), flat
// fading, one tone held weaker than the other, and a strong steady carrier
// beside the signal; white noise for reference. Every emission ends with
// two seconds of idle alpha, as some stations send.
void Table(int recordings, bool show) {
    struct Row {
        const char* name;
        double snr;
        int paths = 0;
        double delayMs = 0.0;
        double spreadHz = 1.0;
        double imbalanceDb = 0.0;
        std::vector<synth::SynthOptions::Carrier> carriers = {};
    };
    const std::vector<Row> rows = {
        {"white noise", -6.5},
        {"clean", 30.0},
        {"two paths 1 ms, 0.5 Hz", 20.0, 2, 1.0, 0.5},
        {"two paths 1 ms, 0.5 Hz", 10.0, 2, 1.0, 0.5},
        {"two paths 2 ms, 1 Hz", 20.0, 2, 2.0, 1.0},
        {"two paths 2 ms, 1 Hz", 10.0, 2, 2.0, 1.0},
        {"flat fading 0.5 Hz", 20.0, 1, 0.0, 0.5},
        {"flat fading 1 Hz", 20.0, 1, 0.0, 1.0},
        {"upper tone 15 dB down", 20.0, 0, 0.0, 0.0, 15.0},
        {"upper tone 20 dB down", 20.0, 0, 0.0, 0.0, 20.0},
        {"lower tone 20 dB down", 20.0, 0, 0.0, 0.0, -20.0},
        {"carrier +20 dB at +300 Hz", 10.0, 0, 0.0, 0.0, 0.0, {{300.0, 20.0}}},
        {"carrier +20 dB at -300 Hz", 10.0, 0, 0.0, 0.0, 0.0, {{-300.0, 20.0}}},
        {"carrier +25 dB at +300 Hz", 10.0, 0, 0.0, 0.0, 0.0, {{300.0, 25.0}}},
        {"carrier +25 dB at -300 Hz", 10.0, 0, 0.0, 0.0, 0.0, {{-300.0, 25.0}}},
        {"carrier +25 dB at +450 Hz", 10.0, 0, 0.0, 0.0, 0.0, {{450.0, 25.0}}},
        {"carrier +25 dB at -600 Hz", 10.0, 0, 0.0, 0.0, 0.0, {{-600.0, 25.0}}},
        {"carrier +25 dB at +1000 Hz", 10.0, 0, 0.0, 0.0, 0.0, {{1000.0, 25.0}}},
    };
    const std::vector<ChainKind> chains = SelectChains("hard-strict,enhanced");
    std::printf("%d recordings of %d messages per row, 2 s of idle alpha after each emission\n",
                recordings, static_cast<int>(kMessages.size()));
    std::printf("%-28s %6s | %-32s | %-32s\n", "condition", "SNR", "described (hard, strict FEC)",
                "enhanced");
    std::printf("%-28s %6s | %-32s | %-32s\n", "", "dB", "in-msg CER  complete whole  out",
                "in-msg CER  complete whole  out");
    for (const Row& row : rows) {
        synth::SynthOptions c;
        c.snrDb = row.snr;
        c.fadingPaths = row.paths;
        c.pathDelayMs = row.delayMs;
        c.dopplerSpreadHz = row.spreadHz;
        c.toneImbalanceDb = row.imbalanceDb;
        c.carriers = row.carriers;
        const std::map<std::string, Tally> tallies = Measure(c, 2.0, recordings, chains, show);
        std::printf("%-28s %+6.1f", row.name, row.snr);
        for (const ChainKind& kind : chains) {
            const auto found = tallies.find(kind.name);
            const test::MessageScore m =
                found == tallies.end() ? test::MessageScore{} : found->second.messages;
            std::printf(" | %8.2f %%  %3d/%-3d %3d/%-3d %4zu", 100.0 * m.Rate(), m.complete,
                        m.messages, m.exact, m.messages, m.outside);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
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
                printed +=
                    chain->Process(block.Data(), kSamplesPerBuffer, block.Data()).text.size();
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
    std::vector<std::string> carriers;
    double idleEnd = 0.0;
    double noiseMinutes = 0.0;
    bool show = false;
    bool table = false;
    app.add_option("--snr", snr, "FROM[:TO[:STEP]] in dB (2500 Hz)")->capture_default_str();
    app.add_option("--recordings", recordings, "recordings per point")->capture_default_str();
    app.add_option("--offset", c.toneOffsetHz, "tone offset, Hz");
    app.add_option("--drift", c.driftHzPerMinute, "tone drift, Hz per minute");
    app.add_option("--baud", c.baud, "keying speed of the transmitter");
    app.add_option("--fade", c.fadeDepthDb, "fading depth, dB");
    app.add_option("--fade-period", c.fadePeriodSeconds, "fading period, s");
    app.add_option("--paths", c.fadingPaths, "Rayleigh-fading paths (1 = flat fading)");
    app.add_option("--delay", c.pathDelayMs, "delay between the paths, ms");
    app.add_option("--spread", c.dopplerSpreadHz, "Doppler spread of each path, Hz");
    app.add_option("--imbalance", c.toneImbalanceDb,
                   "upper tone this much below the lower, dB (negative: the lower)");
    app.add_option("--carrier", carriers, "a steady carrier OFFSET:LEVEL (Hz, dB over the signal)");
    app.add_option("--idle-end", idleEnd, "idle alpha after each emission's end, s");
    app.add_option("--chains", chains,
                   "comma-separated: hard-strict,hard-lenient,enhanced,enhanced-lenient");
    app.add_option("--noise-minutes", noiseMinutes, "decode this much noise alone instead");
    app.add_flag("--table", table, "measure the HF channel conditions, hard and enhanced");
    app.add_flag("--show", show, "print the text of every recording not decoded exactly");
    CLI11_PARSE(app, argc, argv);

    for (const std::string& arg : carriers) {
        synth::SynthOptions::Carrier carrier;
        if (std::sscanf(arg.c_str(), "%lf:%lf", &carrier.offsetHz, &carrier.levelDb) != 2) {
            std::fprintf(stderr, "bad --carrier %s\n", arg.c_str());
            return 2;
        }
        c.carriers.push_back(carrier);
    }
    if (table) {
        Table(app.count("--recordings") > 0 ? recordings : 6, show);
        return 0;
    }
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
        "offset %.1f Hz, drift %.1f Hz/min, %.2f baud, fading %.1f dB / %.0f s, %d paths %.1f ms "
        "apart spread %.2f Hz, imbalance %.1f dB, %zu carriers, idle end %.1f s, %d "
        "recordings of %d messages per point\n",
        c.toneOffsetHz, c.driftHzPerMinute, c.baud, c.fadeDepthDb, c.fadePeriodSeconds,
        c.fadingPaths, c.pathDelayMs, c.dopplerSpreadHz, c.toneImbalanceDb, c.carriers.size(),
        idleEnd, recordings, static_cast<int>(kMessages.size()));
    for (int point = 0; from + point * step <= to + 1e-9; ++point) {
        SweepPoint(from + point * step, c, idleEnd, recordings, chosen, show);
    }
    return 0;
}
