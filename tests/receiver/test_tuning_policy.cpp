// The automatic tuning: votes of the valley search on a steady tone pair,
// the switch, and the receiver's loop end to end, in the window's and the
// command line's way.
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
#include "receiver/tuning_policy.h"
#include "support/decode_chain.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "support/tone_pair_block.h"
#include "synth/fsk_modulator.h"
#include "synth/transmission.h"
#include "synth/wav_writer.h"

namespace wavelore {
namespace {

constexpr int32_t kBins = CBandAnalyzer::kBins;

class SmartTune : public ::testing::Test {
  protected:
    void SetUp() override {
        policy.SetAutoTune(false);
        for (int32_t i = 0; i < 21; ++i) {
            Process();
        }
        std::vector<double> work(kBins);
        const auto found = CTuningSearch::Candidate(policy.Analyzer().History(), 85, work.data());
        ASSERT_TRUE(found.has_value());
        candidate = *found;
        ASSERT_NEAR(candidate, 1500, 20);
        EXPECT_EQ(policy.RetuneVotes(), 0);  // switched off: nothing counted
        policy.SetAutoTune(true);
    }
    std::optional<int32_t> Process() {
        return policy.Process(block.Data(), static_cast<size_t>(block.Count()), centre, halfShift);
    }
    void SetTuning(int32_t c, int32_t h) {
        centre = c;
        halfShift = h;
    }
    // Frames (1-based) on which a retune to the candidate was requested.
    std::vector<int32_t> RetunesOver(int32_t frames) {
        std::vector<int32_t> at;
        for (int32_t i = 1; i <= frames; ++i) {
            if (auto r = Process()) {
                EXPECT_EQ(*r, candidate);
                at.push_back(i);
            }
        }
        return at;
    }

    SampleBlock block = test::TonePairBlock();
    CTuningPolicy policy;
    int32_t centre = 0;
    int32_t halfShift = 0;
    int32_t candidate = 0;
};

TEST_F(SmartTune, CandidateWithinTenHertzNeverRetunes) {
    for (int32_t offset : {-10, -8, 8, 10}) {
        SetTuning(candidate + offset, 85);
        EXPECT_TRUE(RetunesOver(12).empty()) << offset;
        EXPECT_EQ(policy.RetuneVotes(), 0);
    }
}

TEST_F(SmartTune, CandidateFurtherAwayRetunesOnEveryFourthFrame) {
    // The history filled while switched off counts at once.
    SetTuning(candidate + 11, 85);
    EXPECT_EQ(RetunesOver(12), (std::vector<int32_t>{4, 8, 12}));
    SetTuning(candidate - 300, 85);
    EXPECT_EQ(RetunesOver(4), (std::vector<int32_t>{4}));
}

TEST_F(SmartTune, VotesSurviveFramesWithoutAVote) {
    SetTuning(candidate + 40, 85);
    EXPECT_TRUE(RetunesOver(2).empty());
    SetTuning(candidate, 85);  // on tune: no vote
    EXPECT_TRUE(RetunesOver(3).empty());
    SetTuning(candidate + 40, 0);  // no shift: no candidate at all
    EXPECT_TRUE(RetunesOver(3).empty());
    EXPECT_EQ(policy.RetuneVotes(), 2);
    SetTuning(candidate + 40, 85);
    EXPECT_EQ(RetunesOver(2), (std::vector<int32_t>{2}));
}

TEST(TuningPolicy, SmartTuneRetunesBecomeRequests) {
    CTuningPolicy policy;
    const SampleBlock block = test::TonePairBlock();
    std::vector<int32_t> requests;
    const auto feed = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            if (const auto r =
                    policy.Process(block.Data(), static_cast<size_t>(block.Count()), 2000, 85)) {
                requests.push_back(*r);
            }
        }
    };
    policy.SetAutoTune(false);
    feed(8);
    EXPECT_TRUE(requests.empty());
    policy.SetAutoTune(true);
    feed(4);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NEAR(requests[0], 1500, 20);
}

// The receiver's loop as the main window and the decoder thread run it:
// each buffer goes to the tuning search first, a retune it asks for goes
// through the tuning control to the demodulator and the strip's markers,
// then the buffer is demodulated and decoded.
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
            if (const auto request = policy.Process(block.Data(), kSamplesPerBuffer,
                                                    control.Centre(), control.HalfShift())) {
                retunes.push_back(control.OnSetFrequency(*request));
            }
            text += test::Decode(decoder, test::Demodulate(demodulator, block));
        }
    }

    CTuningPolicy policy;
    CBandScope strip;
    CFskDemodulator demodulator;
    CSitorBDecoder decoder;
    // Stands in for the decoder thread's retune.
    CTuningControl control{[this](int32_t c, int32_t h) { strip.SetTuning(c, h); },
                           [this](Message m) {
                               EXPECT_EQ(m.id, WM_DECODER_TUNE);
                               demodulator.SetTones(double(m.wParam + m.lParam),
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
    EXPECT_EQ(receiver.strip.GetCentre(), receiver.control.Centre());
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
