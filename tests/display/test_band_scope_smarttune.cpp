#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/tuning_control.h"
#include "common/message_ids.h"
#include "common/modes.h"
#include "display/band_scope.h"
#include "dsp/fsk_demodulator.h"
#include "dsp/sitor_b_decoder.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "synth/fsk_modulator.h"
#include "synth/transmission.h"
#include "synth/wav_writer.h"

namespace wavelore {
namespace {

// The receiver's loop as the main window and the decoder thread run it:
// each buffer goes to the spectrum analyser first, a retune it asks for goes
// through the tuning control to the demodulator, then the buffer is
// demodulated and decoded.
struct Receiver {
    explicit Receiver(int32_t centre)
        : demodulator(kSampleRate, centre + 85, centre - 85, 100), decoder(kSampleRate, 100) {
        control.SetTuning(centre, 85);
    }

    void Run(const std::vector<int16_t>& pcm) {
        for (size_t at = 0; at + kSamplesPerBuffer <= pcm.size(); at += kSamplesPerBuffer) {
            SampleBlock block(nullptr, kSamplesPerBuffer);
            for (int32_t i = 0; i < kSamplesPerBuffer; ++i) {
                block[i] = pcm[at + static_cast<size_t>(i)] * kSampleScale;
            }
            if (const auto request = analyzer.ProcessBlock(block)) {
                retunes.push_back(control.OnSetFrequency(*request));
            }
            text += decoder.Decode(demodulator.Process(block));
        }
    }

    CBandScope analyzer;
    CFskDemodulator demodulator;
    CSitorBDecoder decoder;
    // Stands in for the decoder thread's retune.
    CTuningControl control{[this](int32_t c, int32_t h) { analyzer.SetTuning(c, h); },
                           [this](Message m) {
                               EXPECT_EQ(m.id, WM_DECODER_TUNE);
                               demodulator.SetTones(kSampleRate, double(m.wParam + m.lParam),
                                                    double(m.wParam - m.lParam));
                               return true;
                           }};
    std::vector<int32_t> retunes;
    std::u16string text;
};

std::vector<int16_t> Render(double phasingSeconds, std::optional<double> snrDb) {
    const synth::NavtexMessage message{u"EA12", u"GALE WARNING NORTH SEA\nWIND SW 8 TO 9 LATER"};
    const auto broadcast =
        synth::MakeBroadcast(synth::SynthMode::SitorB, {message}, phasingSeconds);
    synth::SynthOptions options;
    options.centreHz = 1500;
    options.snrDb = snrDb;
    return synth::CFskModulator(options).Render(broadcast->MakeKeying());
}

TEST(SmartTuneEndToEnd, FindsATransmissionAt1500HzFromA1700HzStartAndDecodesIt) {
    Receiver receiver(1700);
    // Long phasing: the search needs a few seconds of history and votes.
    receiver.Run(Render(35.0, 8.0));
    ASSERT_FALSE(receiver.retunes.empty());
    for (int32_t centre : receiver.retunes) {
        EXPECT_NEAR(centre, 1500, 15);
    }
    EXPECT_NEAR(receiver.control.Centre(), 1500, 15);
    EXPECT_EQ(receiver.analyzer.GetCentre(), receiver.control.Centre());
    const std::string text = test::Narrow(receiver.text);
    EXPECT_NE(text.find("ZCZC EA12\r\nGALE WARNING NORTH SEA\r\nWIND SW 8 TO 9 LATER\r\nNNNN"),
              std::string::npos)
        << text;
}

// The command-line receiver drives the real decoder thread the same way.
TEST(SmartTuneEndToEnd, CommandLineReceiverRetunesAndDecodes) {
    test::ScopedTempDir dir;
    ASSERT_TRUE(synth::WriteWav("in.wav", Render(35.0, 8.0), kSampleRate));
    const auto run = [](const std::string& args) {
        return test::RunProcess(test::ShellQuote(test::DecodeTool()) + " " + args).exitCode;
    };
    EXPECT_EQ(run("--play in.wav --fast --smarttune --verbose --no-store"), 0);
    const std::string out = test::ReadFile("out.txt");
    const std::string err = test::ReadFile("err.txt");
    EXPECT_NE(out.find("GALE WARNING NORTH SEA"), std::string::npos) << out;
    EXPECT_NE(err.find("SmartTune: retuned from 1700 Hz to 1499 Hz"), std::string::npos) << err;

    // A plain file is decoded without the live receiver: refused, not ignored.
    EXPECT_NE(run("--smarttune in.wav"), 0);
    EXPECT_NE(test::ReadFile("err.txt").find("--smarttune"), std::string::npos);
}

}  // namespace
}  // namespace wavelore
