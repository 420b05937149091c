// wavelore-decode on a radio: two NAVTEX channels of one 2.048 Msps cu8
// band, delivered by our SoapySDR test device at the radio's pace, each
// decoded and stored on the one log tree as its emission alone is when
// decoded as 11025 Hz audio; the index and the NRX sentences carry each
// channel's frequency, which also names the station.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/fixtures.h"
#include "support/process_runner.h"
#include "synth/iq_synthesizer.h"
#include "synth/synthesizer.h"
#include "synth/wav_writer.h"

namespace wavelore::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kEnvironment =
    "env WAVELORE_FIXED_TIME='2007-07-21 14:03:22' TZ=UTC XDG_CONFIG_HOME=config ";

// The stored messages of a run (not the raw log): file name to contents.
std::map<std::string, std::string> Stored(const fs::path& base) {
    std::map<std::string, std::string> files;
    const fs::path day = base / "logs" / "2007-07-21";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(day, ec)) {
        if (entry.is_regular_file()) {
            files[entry.path().filename().string()] = ReadFile(entry.path());
        }
    }
    return files;
}

// identity -> frequency column ("" when NULL) of an index.
std::map<std::string, std::string> IndexedFrequencies(const fs::path& db) {
    std::map<std::string, std::string> rows;
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* read = nullptr;
        sqlite3_prepare_v2(handle, "SELECT identity, frequency FROM messages", -1, &read, nullptr);
        while (read != nullptr && sqlite3_step(read) == SQLITE_ROW) {
            const auto* frequency = sqlite3_column_text(read, 1);
            rows[reinterpret_cast<const char*>(sqlite3_column_text(read, 0))] =
                frequency != nullptr ? reinterpret_cast<const char*>(frequency) : "";
        }
        sqlite3_finalize(read);
    }
    sqlite3_close(handle);
    return rows;
}

// The traffic of the two channels.
const std::vector<std::vector<synth::NavtexMessage> > kTraffic = {
    {{u"KA01", u"NAVIGATIONAL WARNING 12/24\nLIGHT 48-22N 004-47W UNLIT.\n"}},
    {{u"EA23", u"GALE WARNING 031\nDOVER WIGHT: SW 7 TO SEVERE GALE 9.\n"}},
};

// Each channel's traffic as its own emission (options, with the seed
// counted up per channel) at frequencies[c] and levelDb, also decoded
// alone as 11025 Hz audio into "alone" with decodeOptions for the text to
// compare; empty after a failure.
std::vector<synth::IqEmission> TwoEmissions(const double (&frequencies)[2],
                                            synth::SynthOptions options, double phasingSeconds,
                                            double levelDb, const std::string& decodeOptions) {
    std::vector<synth::IqEmission> emissions;
    const uint32_t seed = options.seed;
    for (size_t c = 0; c < 2; ++c) {
        options.seed = seed + static_cast<uint32_t>(c);
        auto recording = synth::SynthesizeBroadcast(synth::SynthMode::SitorB, kTraffic[c], options,
                                                    phasingSeconds, 1.0);
        const std::string alone = "alone" + std::to_string(c) + ".wav";
        if (!recording || !synth::WriteWav(alone, recording->samples, 11025)) {
            ADD_FAILURE() << "cannot synthesize " << alone;
            return {};
        }
        const ProcessResult result = RunProcess(kEnvironment + ShellQuote(DecodeTool().string()) +
                                                decodeOptions + " --dir alone " + alone);
        if (result.exitCode != 0) {
            ADD_FAILURE() << result.err;
            return {};
        }
        emissions.push_back({frequencies[c], levelDb, recording->samples});
    }
    return emissions;
}

// The emissions' length and a second beyond, for the line end after NNNN.
double SceneSeconds(const std::vector<synth::IqEmission>& emissions) {
    return static_cast<double>(std::max(emissions[0].audio.size(), emissions[1].audio.size())) /
               11025.0 +
           1.0;
}

TEST(RadioCli, TwoChannelsOfOneBandAreStoredAsTheirEmissionsAlone) {
#ifndef WAVELORE_SOAPY_MODULES
    GTEST_SKIP() << "built without SoapySDR";
#else
    ScopedTempDir dir;
    const double frequencies[] = {490000, 518000};
    synth::SynthOptions options;
    options.snrDb = 6.0;
    options.seed = 21;
    options.silenceSeconds = 0.2;
    const std::vector<synth::IqEmission> emissions =
        TwoEmissions(frequencies, options, 2.0, -34.0, "");
    ASSERT_EQ(emissions.size(), 2u);
    synth::IqSceneOptions scene;
    scene.sampleRate = 2048000;
    scene.centreHz = 504000;
    scene.seconds = SceneSeconds(emissions);
    // Another station 40 dB above the 518 kHz signal, 20 kHz beside it.
    scene.carriers = {{538000, -34.0 - 8.0 + 40.0}};
    synth::CIqScene band(emissions, scene);
    ASSERT_TRUE(synth::WriteIqRecording("band.cu8", synth::IqFileKind::Cu8, band, scene.sampleRate,
                                        scene.centreHz));

    // The device plays the band at its pace and, at the recording's end,
    // stops delivering like a radio pulled out.
    CBackgroundProcess tool("env SOAPY_SDR_PLUGIN_PATH=" + ShellQuote(WAVELORE_SOAPY_MODULES) +
                            " " + kEnvironment + ShellQuote(DecodeTool().string()) +
                            " --verbose --dir radio --nmea-tcp 0 --sdr-centre 504000 --sdr "
                            "driver=wavelore_iq_file,file=band.cu8,format=cu8,rate=2048000");
    ASSERT_TRUE(tool.Started());
    const int port = AnnouncedPort();
    ASSERT_NE(port, 0) << ReadFile("err.txt");
    const int reader = ConnectLoopback(port);
    ASSERT_GE(reader, 0);
    const std::string nrx = ReadToEnd(reader);
    close(reader);
    const ProcessResult result = tool.Wait(120s);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("what was received until then is stored"), std::string::npos)
        << result.err;

    const std::map<std::string, std::string> alone = Stored("alone");
    ASSERT_EQ(alone.size(), 2u);
    EXPECT_EQ(Stored("radio"), alone);
    EXPECT_EQ(IndexedFrequencies("radio/logs/messages.db"),
              (std::map<std::string, std::string>{{"EA23", "518000"}, {"KA01", "490000"}}));
    EXPECT_NE(nrx.find(",KA01,1,140322,21,07,2007,"), std::string::npos) << nrx;
    EXPECT_NE(nrx.find(",EA23,2,140322,21,07,2007,"), std::string::npos) << nrx;
    // Each channel's text in whole lines after its frequency, and each
    // channel's raw log of its own.
    EXPECT_NE(result.out.find("\n490: NAVIGATIONAL WARNING 12/24"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\n518: GALE WARNING 031"), std::string::npos) << result.out;
    // K is Grindavik on 490 kHz, Niton on 518 kHz.
    EXPECT_NE(result.err.find("KA01 from K Grindavik"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists("radio/logs/2007-07-21/raw/2007-07-21 14.03.22 490-raw.txt"));
    EXPECT_TRUE(fs::exists("radio/logs/2007-07-21/raw/2007-07-21 14.03.22 518-raw.txt"));

    // The recording itself, as fast as it decodes, one channel chosen.
    const ProcessResult fast =
        RunProcess(kEnvironment + ShellQuote(DecodeTool().string()) +
                   " --dir fast --iq band.cu8 --iq-rate 2048000 --iq-centre 504000 --channel 518k");
    EXPECT_EQ(fast.exitCode, 0) << fast.err;
    const std::map<std::string, std::string> one = Stored("fast");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one.begin()->second, alone.at(one.begin()->first));
    EXPECT_EQ(IndexedFrequencies("fast/logs/messages.db"),
              (std::map<std::string, std::string>{{"EA23", "518000"}}));
#endif
}

// A radio's crystal (and an upconverter's) and the station put a channel's
// tones a hundred Hz or so from where it was tuned, beyond what even the
// weak-signal chain decodes; with --smarttune each channel finds its own
// tones, and both are stored as their emissions alone, on tune, are.
TEST(RadioCli, SmartTuneFindsEachChannelsTonesOffTune) {
    ScopedTempDir dir;
    const double frequencies[] = {490000, 518120};
    synth::SynthOptions options;
    options.snrDb = 10.0;
    options.seed = 31;
    const std::vector<synth::IqEmission> emissions =
        TwoEmissions(frequencies, options, 8.0, -30.0, " --enhanced");
    ASSERT_EQ(emissions.size(), 2u);
    synth::IqSceneOptions scene;
    scene.sampleRate = 96000;
    scene.centreHz = 504000;
    scene.seconds = SceneSeconds(emissions);
    synth::CIqScene band(emissions, scene);
    ASSERT_TRUE(synth::WriteIqRecording("band.cs16", synth::IqFileKind::Cs16, band,
                                        scene.sampleRate, scene.centreHz));
    const std::string radio = kEnvironment + ShellQuote(DecodeTool().string()) +
                              " --enhanced --iq band.cs16 --iq-rate 96000 --iq-centre 504000 ";

    const ProcessResult tuned = RunProcess(radio + "--dir tuned --smarttune --verbose");
    EXPECT_EQ(tuned.exitCode, 0) << tuned.err;
    const std::map<std::string, std::string> alone = Stored("alone");
    ASSERT_EQ(alone.size(), 2u);
    EXPECT_EQ(Stored("tuned"), alone) << tuned.err;
    EXPECT_NE(tuned.err.find("SmartTune: 518 kHz retuned from 1700 Hz to 18"), std::string::npos)
        << tuned.err;

    // Left where it was tuned, the channel's text is damaged.
    const ProcessResult plain = RunProcess(radio + "--dir plain --channel 518k");
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    const std::map<std::string, std::string> damaged = Stored("plain");
    const std::string gale = "2007-07-21 14.03.22 EA23.txt";
    EXPECT_TRUE(damaged.count(gale) == 0 || damaged.at(gale) != alone.at(gale));
}

}  // namespace
}  // namespace wavelore::test
