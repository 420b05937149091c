// wavelore-synth: writes test recordings of NAVTEX, SITOR, AMTOR, NAVTEX-J
// and RTTY transmissions, and the text a perfect receiver prints from them.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/modes.h"
#include "common/utf.h"
#include "synth/iq_synthesizer.h"
#include "synth/synthesizer.h"
#include "synth/transmission.h"
#include "synth/wav_writer.h"

namespace {

using wavelore::synth::CTransmission;
using wavelore::synth::NavtexMessage;
using wavelore::synth::SynthMode;
using wavelore::synth::SynthOptions;

bool ReadTextFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return !in.bad();
}

// "\n" in a command-line message stands for a line end.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Describe(std::u16string_view text, std::size_t index) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "U+%04X at position %zu",
                  index < text.size() ? static_cast<unsigned>(text[index]) : 0U, index);
    return buffer;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "wavelore-synth: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    SynthOptions options;
    std::string modeName = "navtex";
    std::string text;
    std::string inputPath;
    std::vector<std::string> messageArgs;
    std::string outputPath;
    std::string expectedPath;
    double phasingSeconds = 2.0;
    double gapSeconds = 1.0;
    double snrDb = 0.0;
    double baud = 0.0;
    std::vector<std::string> carrierArgs;
    double idleEndSeconds = 0.0;
    std::string iqFormat;
    wavelore::synth::IqSceneOptions iq;
    std::vector<std::string> channelArgs;
    std::vector<std::string> iqCarrierArgs;
    double iqNoise = 0.0;

    CLI::App app{
        "Writes an 11025 Hz mono 16-bit WAV recording of a NAVTEX (SITOR-B), AMTOR,\n"
        "NAVTEX-J or RTTY transmission, and optionally the text a perfect receiver\n"
        "prints from it. The emission is: phasing, the free text (--text/--input),\n"
        "each --message framed as ZCZC B1B2B3B4 ... NNNN, end of emission.",
        "wavelore-synth"};
    try {
        const std::map<std::string, SynthMode> modes = {
            {"navtex", SynthMode::SitorB}, {"sitor", SynthMode::SitorB},
            {"amtor", SynthMode::Amtor},   {"navtex-j", SynthMode::NavtexJ},
            {"rtty", SynthMode::Rtty},
        };
        app.add_option("-o,--output", outputPath, "WAV (or IQ) file to write")->required();
        app.add_option("-e,--expected", expectedPath,
                       "also write the text a perfect receiver prints (UTF-8)");
        app.add_option("--mode", modeName, "navtex, sitor, amtor, navtex-j or rtty")
            ->check(CLI::IsMember(modes))
            ->capture_default_str();
        app.add_option("-t,--text", text, "free text to send (\\n = line end)");
        app.add_option("-i,--input", inputPath, "file of free text to send (UTF-8)");
        app.add_option("-m,--message", messageArgs,
                       "a framed message HEADER:BODY, e.g. EA12:TEST\\nLINE 2, or "
                       "HEADER:@FILE to read the body from a file; repeatable");
        app.add_option("--centre,--center", options.centreHz, "centre frequency, Hz")
            ->capture_default_str();
        app.add_option("--shift", options.shiftHz, "tone spacing, Hz")->capture_default_str();
        app.add_option("--baud", baud,
                       "keying speed, bits/s, fractional allowed (default 100, RTTY 50)");
        app.add_option("--offset", options.toneOffsetHz, "tone offset, Hz")->capture_default_str();
        app.add_option("--drift", options.driftHzPerMinute, "tone drift, Hz per minute")
            ->capture_default_str();
        auto* snr =
            app.add_option("--snr", snrDb, "signal-to-noise ratio in 2500 Hz, dB (default: none)");
        app.add_option("--fade-depth", options.fadeDepthDb, "slow fading depth, dB (0 = off)")
            ->capture_default_str();
        app.add_option("--fade-period", options.fadePeriodSeconds, "fading period, seconds")
            ->capture_default_str();
        app.add_option("--paths", options.fadingPaths,
                       "multipath fading: 1 = flat, 2 = two paths (0 = off)")
            ->capture_default_str();
        app.add_option("--path-delay", options.pathDelayMs, "delay between the paths, ms")
            ->capture_default_str();
        app.add_option("--doppler-spread", options.dopplerSpreadHz,
                       "Doppler spread of each path, Hz")
            ->capture_default_str();
        app.add_option("--imbalance", options.toneImbalanceDb,
                       "upper tone this much weaker than the lower, dB (negative: lower weaker)")
            ->capture_default_str();
        app.add_option("--carrier", carrierArgs,
                       "a steady carrier OFFSET:LEVEL, Hz from the centre and dB above the "
                       "signal, e.g. 300:25; repeatable");
        app.add_option("--idle-end", idleEndSeconds,
                       "idle alpha after the end of emission, seconds (NAVTEX, SITOR, AMTOR)")
            ->capture_default_str();
        app.add_flag("--invert", options.invert, "send 1 bits on the lower tone");
        app.add_option("--silence", options.silenceSeconds,
                       "digital silence at the very start, seconds (before the lead-in)")
            ->capture_default_str();
        app.add_option("--lead-in", options.leadInSeconds, "noise or silence before, seconds")
            ->capture_default_str();
        app.add_option("--tail", options.tailSeconds, "noise or silence after, seconds")
            ->capture_default_str();
        app.add_option("--phasing", phasingSeconds, "phasing before the text, seconds")
            ->capture_default_str();
        app.add_option("--gap", gapSeconds, "phasing between messages, seconds")
            ->capture_default_str();
        app.add_option("--amplitude", options.amplitude,
                       "peak of the clean signal, 16-bit units (0 = automatic)")
            ->capture_default_str();
        app.add_option("--seed", options.seed, "noise seed")->capture_default_str();
        app.add_option("--iq-format", iqFormat,
                       "write an IQ recording instead: cu8, cs16, cf32 or wav (stereo, I left, "
                       "Q right, the centre in its auxi chunk)");
        app.add_option("--iq-rate", iq.sampleRate, "IQ sample rate, Hz")->capture_default_str();
        app.add_option("--iq-centre,--iq-center", iq.centreHz, "IQ centre frequency, Hz")
            ->capture_default_str();
        app.add_option("--channel", channelArgs,
                       "the emission on a channel FREQ:LEVEL, Hz and dBFS of the audio's full "
                       "scale, e.g. 518000:-20; repeatable, each with its own noise "
                       "(default 518000:-20)");
        auto* iqNoiseOption = app.add_option(
            "--iq-noise", iqNoise, "white noise over the whole IQ band, dBFS (default: none)");
        app.add_option("--iq-carrier", iqCarrierArgs,
                       "a steady carrier in the IQ band FREQ:LEVEL, Hz and dBFS; repeatable");
        app.add_option("--iq-seconds", iq.seconds,
                       "length of the IQ recording, seconds (0 = the emission's)")
            ->capture_default_str();

        app.parse(argc, argv);
        if (snr->count() > 0) {
            options.snrDb = snrDb;
        }
        options.baud = baud;
        for (const std::string& arg : carrierArgs) {
            SynthOptions::Carrier carrier;
            char rest = 0;
            if (std::sscanf(arg.c_str(), "%lf:%lf%c", &carrier.offsetHz, &carrier.levelDb, &rest) !=
                2) {
                return Fail("--carrier needs OFFSET:LEVEL, got \"" + arg + "\"");
            }
            options.carriers.push_back(carrier);
        }
        const SynthMode mode = modes.at(modeName);
        if (!(options.baud > 0.0)) {
            options.baud = mode == SynthMode::Rtty ? 50.0 : 100.0;
        }

        CTransmission transmission(mode, options.baud);
        transmission.AddPhasing(phasingSeconds);

        std::string freeText = Unescape(text);
        if (!inputPath.empty()) {
            std::string fileText;
            if (!ReadTextFile(inputPath, fileText)) {
                return Fail("cannot read " + inputPath);
            }
            freeText += fileText;
        }
        if (!freeText.empty()) {
            const std::u16string wide = wavelore::FromUtf8(freeText);
            std::size_t bad = 0;
            if (!transmission.AddText(wide, &bad)) {
                return Fail("the text holds a character this mode cannot send: " +
                            Describe(wide, bad));
            }
        }
        for (std::size_t i = 0; i < messageArgs.size(); ++i) {
            const std::string& arg = messageArgs[i];
            const std::size_t colon = arg.find(':');
            if (colon == std::string::npos) {
                return Fail("--message needs HEADER:BODY, got \"" + arg + "\"");
            }
            std::string body = arg.substr(colon + 1);
            if (!body.empty() && body[0] == '@') {
                const std::string path = body.substr(1);
                if (!ReadTextFile(path, body)) {
                    return Fail("cannot read " + path);
                }
            } else {
                body = Unescape(body);
            }
            if (i > 0 || !freeText.empty()) {
                transmission.AddPhasing(gapSeconds);
            }
            const NavtexMessage message{wavelore::FromUtf8(arg.substr(0, colon)),
                                        wavelore::FromUtf8(body)};
            if (!transmission.AddMessage(message)) {
                return Fail("message " + arg.substr(0, colon) +
                            " holds a character this mode cannot send");
            }
        }

        transmission.SetIdleAfterEnd(idleEndSeconds);
        const wavelore::synth::Recording recording =
            wavelore::synth::Synthesize(transmission, options);
        std::string error;
        double seconds = static_cast<double>(recording.samples.size()) / wavelore::kSampleRate;
        if (!iqFormat.empty()) {
            const auto kind = wavelore::synth::ParseIqFileKind(iqFormat);
            if (!kind) {
                return Fail("--iq-format takes cu8, cs16, cf32 or wav, not \"" + iqFormat + "\"");
            }
            if (channelArgs.empty()) {
                channelArgs.push_back("518000:-20");
            }
            std::vector<wavelore::synth::IqEmission> emissions;
            for (std::size_t i = 0; i < channelArgs.size(); ++i) {
                wavelore::synth::IqEmission emission;
                char rest = 0;
                if (std::sscanf(channelArgs[i].c_str(), "%lf:%lf%c", &emission.frequencyHz,
                                &emission.levelDb, &rest) != 2) {
                    return Fail("--channel needs FREQ:LEVEL, got \"" + channelArgs[i] + "\"");
                }
                SynthOptions own = options;
                own.seed = options.seed + static_cast<uint32_t>(i);
                emission.audio = wavelore::synth::Synthesize(transmission, own).samples;
                emissions.push_back(std::move(emission));
            }
            for (const std::string& arg : iqCarrierArgs) {
                wavelore::synth::IqCarrier carrier;
                char rest = 0;
                if (std::sscanf(arg.c_str(), "%lf:%lf%c", &carrier.frequencyHz, &carrier.levelDb,
                                &rest) != 2) {
                    return Fail("--iq-carrier needs FREQ:LEVEL, got \"" + arg + "\"");
                }
                iq.carriers.push_back(carrier);
            }
            if (iqNoiseOption->count() > 0) {
                iq.noiseDb = iqNoise;
            }
            iq.seed = options.seed;
            if (!(iq.sampleRate >= wavelore::kSampleRate)) {
                return Fail("--iq-rate must be at least 11025 Hz");
            }
            wavelore::synth::CIqScene scene(std::move(emissions), iq);
            if (!wavelore::synth::WriteIqRecording(outputPath, *kind, scene, iq.sampleRate,
                                                   iq.centreHz, &error)) {
                return Fail(error);
            }
            seconds = static_cast<double>(scene.TotalSamples()) / iq.sampleRate;
        } else if (!wavelore::synth::WriteWav(outputPath, recording.samples, wavelore::kSampleRate,
                                              &error)) {
            return Fail(error);
        }
        if (!expectedPath.empty()) {
            std::ofstream out(expectedPath, std::ios::binary | std::ios::trunc);
            const std::string utf8 = wavelore::ToUtf8(recording.expectedText);
            out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
            out.close();
            if (!out) {
                return Fail("cannot write " + expectedPath);
            }
        }
        std::fprintf(stderr, "wavelore-synth: wrote %s (%.1f s)\n", outputPath.c_str(), seconds);
        return 0;
    } catch (const CLI::ParseError& e) {
        // --help ends with 0; a bad command line with 2, as wavelore-decode.
        return app.exit(e) == 0 ? 0 : 2;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
