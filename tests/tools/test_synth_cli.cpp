#include <gtest/gtest.h>

#include <string>

#include "support/fixtures.h"
#include "support/process_runner.h"

namespace wavelore {
namespace {

// Runs wavelore-synth with args in the current directory; returns its exit
// code and leaves its standard error in "err.txt".
int RunSynth(const std::string& args) {
    test::ProcessOptions options;
    options.outPath = "/dev/null";
    return test::RunProcess(test::ShellQuote(test::SynthTool()) + " " + args, options).exitCode;
}

class SynthCli : public testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(test::SynthTool())) {
            GTEST_SKIP() << "wavelore-synth is not built";
        }
    }
    test::ScopedTempDir m_dir;
};

TEST_F(SynthCli, WritesTheRecordingAndTheExpectedTextOfMessagesFromFiles) {
    test::WriteFile("body.txt", "LINE ONE\nLINE 2\n");
    ASSERT_EQ(RunSynth("--lead-in 0 --tail 0 --phasing 0.5 -m 'EA12:@body.txt' "
                       "-m 'EB01:SHORT\\nTWO' -o out.wav -e out.txt"),
              0)
        << test::ReadFile("err.txt");
    EXPECT_EQ(test::ReadFile("out.txt"),
              "ZCZC EA12\r\nLINE ONE\r\nLINE 2\r\nNNNN\r\nZCZC EB01\r\nSHORT\r\nTWO\r\nNNNN\r\n");
    const std::string wav = test::ReadFile("out.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
}

TEST_F(SynthCli, RefusesWhatItCannotSendOrWriteWithAClearMessage) {
    EXPECT_EQ(RunSynth("-t 'CAF\xC3\x89' -o a.wav"), 1);
    EXPECT_NE(test::ReadFile("err.txt").find("U+00C9 at position 3"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("a.wav"));

    EXPECT_EQ(RunSynth("-t HI -o missing/a.wav"), 1);
    EXPECT_NE(test::ReadFile("err.txt").find("missing/a.wav"), std::string::npos);

    EXPECT_EQ(RunSynth("-m NOCOLON -o a.wav"), 1);
    EXPECT_EQ(RunSynth("-m 'EA12:@nofile.txt' -o a.wav"), 1);
    EXPECT_EQ(RunSynth("--snr loud -o a.wav"), 2);
    EXPECT_EQ(RunSynth("--mode fax -o a.wav"), 2);
}

}  // namespace
}  // namespace wavelore
