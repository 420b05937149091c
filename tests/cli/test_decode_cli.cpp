// wavelore-decode as a user runs it: the built program on recordings.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "common/utf.h"
#include "support/audio_files.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "synth/synthesizer.h"
#include "synth/wav_writer.h"

namespace wavelore::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Runs the tool with args (shell words) in the current directory, storing
// nothing (storage has tests of its own). input,
// when given, is written to its standard input in pieces of the sizes
// listed in chunks, in turn, each flushed on its own.
ProcessResult RunDecode(const std::string& args, const std::string* input = nullptr,
                        const std::vector<size_t>& chunks = {65536},
                        const char* outPath = "out.txt") {
    ProcessOptions options;
    options.input = input;
    options.chunks = chunks;
    options.outPath = outPath;
    return RunProcess(ShellQuote(DecodeTool()) + " --no-store " + args, options);
}

synth::Recording Broadcast(const synth::SynthOptions& options) {
    const std::vector<synth::NavtexMessage> messages = {
        {u"EA12", u"NAVAREA I 123/26\nSOUTHERN NORTH SEA.\nBUOY 52-30.1N 002-14.9E UNLIT.\n"},
        {u"SE45", u"GALE WARNING 7\nSOUTHWESTERLY 8 LATER 9.\n"},
    };
    auto recording = synth::SynthesizeBroadcast(synth::SynthMode::SitorB, messages, options);
    EXPECT_TRUE(recording.has_value());
    return recording ? *recording : synth::Recording{};
}

// One line on standard error, from the tool, saying what went wrong.
void ExpectOneLineComplaint(const ProcessResult& r, const std::string& mentions) {
    const auto lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_EQ(lines[0].rfind("wavelore-decode: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(mentions), std::string::npos) << lines[0];
    EXPECT_EQ(r.out, "");
}

class DecodeCli : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_clean = new synth::Recording(Broadcast({}));
        ASSERT_FALSE(s_clean->expectedText.empty());
    }
    static void TearDownTestSuite() {
        delete s_clean;
        s_clean = nullptr;
    }
    static const synth::Recording& Clean() { return *s_clean; }
    static std::string Expected() { return ToUtf8(s_clean->expectedText); }

    ScopedTempDir m_dir;

  private:
    static inline synth::Recording* s_clean = nullptr;
};

// The same audio gives the same text whatever its container, rate, depth
// and channels, and however standard input delivers it.
TEST_F(DecodeCli, SameTextFromEveryFormOfTheSameAudio) {
    const std::vector<int16_t>& samples = Clean().samples;
    ASSERT_TRUE(WriteWav11025("native.wav", samples));
    WriteRaw("native.raw", samples);
    WriteRaw("native.s16le", samples);

    const std::vector<double> at48k = Resample(samples, 48000);
    std::vector<double> stereo;
    for (double v : at48k) {
        stereo.insert(stereo.end(), {v, 0.5 * v});
    }
    ASSERT_TRUE(WriteSoundFile("stereo48k.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, stereo));
    ASSERT_TRUE(WriteSoundFile("eight.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1,
                               Resample(samples, 8000)));
    ASSERT_TRUE(WriteSoundFile("cd.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 1,
                               Resample(samples, 44100)));

    for (const char* file :
         {"native.wav", "native.raw", "native.s16le", "stereo48k.wav", "eight.wav", "cd.flac"}) {
        const ProcessResult r = RunDecode(file);
        EXPECT_EQ(r.exitCode, 0) << file;
        EXPECT_EQ(r.out, Expected()) << file;
        EXPECT_EQ(r.err, "") << file;
    }

    const std::string raw = RawBytes(samples);
    const std::vector<std::vector<size_t>> cuts = {
        {1, 3, 4095, 7, 20001, 2, 333}, {2048 * 2}, {4097}};
    for (const auto& chunks : cuts) {
        const ProcessResult r = RunDecode("-", &raw, chunks);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, Expected()) << "chunks starting " << chunks[0];
    }
    const ProcessResult implicit = RunDecode("", &raw);
    EXPECT_EQ(implicit.exitCode, 0);
    EXPECT_EQ(implicit.out, Expected());
}

TEST_F(DecodeCli, TuningAndSenseOptionsReachTheDemodulator) {
    synth::SynthOptions options;
    options.centreHz = 1200;
    options.shiftHz = 450;
    options.invert = true;
    const synth::Recording shifted = Broadcast(options);
    WriteRaw("shifted.raw", shifted.samples);

    const ProcessResult tuned = RunDecode("--freq 1200 --shift 450 --invert shifted.raw");
    EXPECT_EQ(tuned.exitCode, 0);
    EXPECT_EQ(tuned.out, ToUtf8(shifted.expectedText));
    const ProcessResult upright = RunDecode("--freq=1200 --shift=450 shifted.raw");
    EXPECT_EQ(upright.exitCode, 0);
    EXPECT_EQ(upright.out.find("ZCZC"), std::string::npos) << upright.out;
}

struct Totals {
    long good = -1;
    long errors = -1;
};

// Checks that the --verbose totals add up the block lines, and returns them.
Totals VerboseTotals(const ProcessResult& r) {
    Totals totals;
    long good = 0;
    long errors = 0;
    for (const std::string& line : Lines(r.err)) {
        long block, g, e;
        double seconds;
        if (std::sscanf(line.c_str(), "block %ld (%lf s): good %ld, errors %ld", &block, &seconds,
                        &g, &e) == 4) {
            good += g;
            errors += e;
        } else if (std::sscanf(line.c_str(), "total: good %ld, errors %ld", &g, &e) == 2) {
            totals = {g, e};
        }
    }
    EXPECT_EQ(totals.good, good);
    EXPECT_EQ(totals.errors, errors);
    return totals;
}

// --verbose reports on standard error only; --no-strict repairs characters.
TEST_F(DecodeCli, VerboseCountsAndStrictFec) {
    synth::SynthOptions options;
    options.snrDb = -3.0;
    options.seed = 5;
    WriteRaw("noisy.raw", Broadcast(options).samples);

    const ProcessResult quiet = RunDecode("noisy.raw");
    const ProcessResult strict = RunDecode("--verbose noisy.raw");
    const ProcessResult lenient = RunDecode("--verbose --no-strict noisy.raw");
    EXPECT_EQ(strict.exitCode, 0);
    EXPECT_EQ(lenient.exitCode, 0);
    EXPECT_EQ(strict.out, quiet.out);
    EXPECT_EQ(quiet.err, "");

    const Totals s = VerboseTotals(strict);
    const Totals l = VerboseTotals(lenient);
    EXPECT_GT(s.errors, 0);
    EXPECT_LT(l.errors, s.errors);
    EXPECT_GT(l.good, s.good);
}

TEST_F(DecodeCli, BadUsageExitsWithTwo) {
    WriteRaw("a.raw", {0, 0});
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--bogus a.raw", "--bogus"},     {"--freq abc a.raw", "--freq"},
        {"--freq 99999 a.raw", "99999"},  {"--baud 0 a.raw", "0"},
        {"--freq 50 a.raw", "--freq 50"}, {"--freq 5500 --shift 170 a.raw", "--shift 170"},
        {"--shift a.raw", "--shift"},     {"a.raw a.raw", "a.raw"},
    };
    for (const auto& [args, mentions] : cases) {
        SCOPED_TRACE(args);
        const ProcessResult r = RunDecode(args);
        EXPECT_EQ(r.exitCode, 2);
        ExpectOneLineComplaint(r, mentions);
    }
    const ProcessResult help = RunDecode("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: wavelore-decode"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("--no-strict"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST_F(DecodeCli, UnreadableInputExitsWithOne) {
    WriteFile("garbage.wav", "RIFF, or rather not: a text file with a misleading name\n");
    ASSERT_TRUE(WriteWav11025("good.wav", Clean().samples));
    WriteFile("header.wav", ReadFile("good.wav").substr(0, 30));
    std::filesystem::create_directory("folder.wav");
    for (const char* file :
         {"missing.wav", "missing.raw", "garbage.wav", "header.wav", "folder.wav"}) {
        SCOPED_TRACE(file);
        const ProcessResult r = RunDecode(file);
        EXPECT_EQ(r.exitCode, 1);
        ExpectOneLineComplaint(r, file);
    }
    // Text that cannot be delivered is a failure too.
    const ProcessResult full = RunDecode("good.wav", nullptr, {}, "/dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("standard output"), std::string::npos) << full.err;
}

// A recording that stops part-way (an interrupted capture) still yields
// everything received before the cut.
TEST_F(DecodeCli, RecordingCutShortKeepsWhatWasReceived) {
    ASSERT_TRUE(WriteWav11025("good.wav", Clean().samples));
    const std::string full = ReadFile("good.wav");
    WriteFile("cut.wav", full.substr(0, full.size() * 3 / 4));
    const ProcessResult r = RunDecode("cut.wav");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("ZCZC EA12"), std::string::npos) << r.out;
    EXPECT_EQ(Expected().rfind(r.out.substr(0, r.out.size() / 2), 0), 0u) << r.out;
}

// Noise and random bytes decode into whatever they decode into, or are
// refused with a clear line; the tool never crashes on them.
TEST_F(DecodeCli, RandomBytesNeverCrashIt) {
    std::mt19937 rng(99);
    std::string bytes(300000, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(rng());
    }
    WriteFile("random.raw", bytes);
    WriteFile("random.wav", bytes);
    WriteFile("riff.wav", "RIFF\x24\xff\xff\x7fWAVEfmt " + bytes);

    for (const char* args :
         {"random.raw", "--no-strict --invert random.raw", "--mode SITOR --no-strict random.raw",
          "--mode AMTOR --no-strict random.raw", "--mode NAVTEX-J --no-strict random.raw",
          "--mode RTTY --shift 450 random.raw"}) {
        const ProcessResult r = RunDecode(args);
        EXPECT_EQ(r.exitCode, 0) << args << r.err;
        EXPECT_EQ(r.err, "");
    }
    const ProcessResult piped = RunDecode("--no-strict -", &bytes, {777, 1});
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    for (const char* file : {"random.wav", "riff.wav"}) {
        const ProcessResult r = RunDecode(file);
        EXPECT_EQ(r.exitCode, 1) << file;
        ExpectOneLineComplaint(r, file);
    }
}

// The off-air recordings decode at their own centre, whichever form is read.
TEST_F(DecodeCli, RealRecordingDecodesAtItsCentre) {
    const std::filesystem::path dir = RecordingsDir();
    if (dir.empty()) {
        GTEST_SKIP() << kNoRecordings;
    }
    const std::string body =
        "NOW IS THE TIME FOR ALL GOOD MEN TO COME TO THE AID OF THEIR COUNTRY.";
    const ProcessResult wav =
        RunDecode("--freq 1000 '" + (dir / "navtex_example_48k.wav").string() + "'");
    const ProcessResult raw =
        RunDecode("--freq 1000 '" + (dir / "navtex_example_11025.s16le").string() + "'");
    EXPECT_EQ(wav.exitCode, 0);
    EXPECT_EQ(raw.exitCode, 0);
    EXPECT_NE(raw.out.find(body), std::string::npos) << raw.out;
    EXPECT_EQ(wav.out, raw.out);

    const ProcessResult untuned =
        RunDecode("'" + (dir / "navtex_example_11025.s16le").string() + "'");
    EXPECT_EQ(untuned.out.find(body), std::string::npos) << untuned.out;
}

// --enhanced on a weak signal the hard chain garbles, from a file and
// through the live receiver; and on the off-air recording from the default
// tuning with SmartTune, which then uses the enhanced chain's search.
TEST_F(DecodeCli, EnhancedDecoderReadsWeakSignalsAndFindsTheRealRecording) {
    synth::SynthOptions weak;
    weak.snrDb = -5.0;
    weak.seed = 2;
    const synth::Recording recording = Broadcast(weak);
    ASSERT_TRUE(synth::WriteWav("weak.wav", recording.samples, 11025));
    const ProcessResult hard = RunDecode("weak.wav");
    EXPECT_EQ(hard.out.find(ToUtf8(recording.expectedText)), std::string::npos);
    const ProcessResult file = RunDecode("--enhanced weak.wav");
    EXPECT_EQ(file.exitCode, 0) << file.err;
    EXPECT_EQ(file.out, ToUtf8(recording.expectedText));
    const ProcessResult live = RunDecode("--enhanced --play weak.wav --fast");
    EXPECT_EQ(live.exitCode, 0) << live.err;
    EXPECT_EQ(live.out, file.out);

    const std::filesystem::path dir = RecordingsDir();
    if (dir.empty()) {
        GTEST_SKIP() << kNoRecordings;
    }
    const ProcessResult tuned = RunDecode("--enhanced --smarttune --verbose --fast --play '" +
                                          (dir / "navtex_example_11025.s16le").string() + "'");
    EXPECT_EQ(tuned.exitCode, 0) << tuned.err;
    EXPECT_EQ(tuned.out, "NOW IS THE TIME FOR ALL GOOD MEN TO COME TO THE AID OF THEIR COUNTRY.");
    EXPECT_NE(tuned.err.find("SmartTune: retuned from 1700 Hz to 10"), std::string::npos)
        << tuned.err;
}

}  // namespace
}  // namespace wavelore::test
