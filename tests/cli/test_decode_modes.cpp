// wavelore-decode --mode: each mode's recording decoded by the built tool.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/utf.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "synth/synthesizer.h"

namespace wavelore::test {
namespace {

ProcessResult RunDecode(const std::string& args) {
    return RunProcess(ShellQuote(DecodeTool()) + " " + args);
}

// A clean recording (no noise, so nothing is printed outside the
// transmission) written as raw 11025 Hz samples; returns the text a
// perfect receiver prints.
std::string Record(synth::SynthMode mode, const synth::NavtexMessage& message,
                   const synth::SynthOptions& options, const std::string& path) {
    const auto recording = synth::SynthesizeBroadcast(mode, {message}, options, 1.0);
    EXPECT_TRUE(recording.has_value());
    if (!recording) {
        return {};
    }
    WriteFile(path, RawBytes(recording->samples));
    return ToUtf8(recording->expectedText);
}

TEST(DecodeModes, EachModeDecodesItsOwnRecording) {
    ScopedTempDir dir;
    synth::SynthOptions options;

    const std::string japanese = Record(
        synth::SynthMode::NavtexJ, {u"JA123", u"海上警報　第５号\r\n低気圧　９９６ヘクトパスカル"},
        options, "navtex_j.raw");
    ProcessResult r = RunDecode("--mode NAVTEX-J navtex_j.raw");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, japanese);
    EXPECT_EQ(RunDecode("--mode navtex-j navtex_j.raw").out, japanese) << "any case";

    const std::string amtor =
        Record(synth::SynthMode::Amtor, {u"GA23", u"GALE 8"}, options, "amtor.raw");
    EXPECT_EQ(RunDecode("--mode AMTOR amtor.raw").out, amtor);

    const std::string sitor =
        Record(synth::SynthMode::SitorB, {u"EA12", u"TEST 1"}, options, "sitor.raw");
    EXPECT_EQ(RunDecode("--mode SITOR sitor.raw").out, sitor);
    EXPECT_EQ(RunDecode("sitor.raw").out, sitor) << "NAVTEX by default";

    // RTTY defaults to 45 baud, taken as the usual 45.45.
    options.baud = 45.45;
    options.shiftHz = 850;
    const std::string rtty =
        Record(synth::SynthMode::Rtty, {u"ZA01", u"RYRY 1013 HPA, THE QUICK BROWN FOX"}, options,
               "rtty45.raw");
    EXPECT_EQ(RunDecode("--mode RTTY --shift 850 rtty45.raw").out, rtty);
    options.baud = 50;
    options.shiftHz = 450;
    const std::string rtty50 =
        Record(synth::SynthMode::Rtty, {u"ZA02", u"CQ DE K1ABC 73"}, options, "rtty50.raw");
    EXPECT_EQ(RunDecode("--mode RTTY --baud 50 --shift 450 rtty50.raw").out, rtty50);
    EXPECT_NE(RunDecode("--mode NAVTEX rtty50.raw").out, rtty50);
}

TEST(DecodeModes, RandomAudioNeverCrashesAnyMode) {
    ScopedTempDir dir;
    std::mt19937 rng(11);
    std::string bytes(400000, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(rng());
    }
    WriteFile("random.raw", bytes);
    for (const char* mode : {"NAVTEX", "SITOR", "AMTOR", "NAVTEX-J", "RTTY"}) {
        for (const char* strict : {"", "--no-strict"}) {
            EXPECT_EQ(
                RunDecode(std::string("--mode ") + mode + " " + strict + " random.raw").exitCode, 0)
                << mode << " " << strict;
        }
    }
}

TEST(DecodeModes, ModesWithoutTextAreRefused) {
    ScopedTempDir dir;
    WriteFile("silence.raw", std::string(4096, '\0'));
    for (const char* mode : {"FAX", "DPSK", "NAVTEXJ", ""}) {
        EXPECT_EQ(RunDecode(std::string("--mode '") + mode + "' silence.raw").exitCode, 2) << mode;
    }
}

}  // namespace
}  // namespace wavelore::test
