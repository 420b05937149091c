// The user's command for stored messages: the message only in environment
// variables (its text never read by a shell), failures reported, runs
// bounded.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/message_command.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "support/fixtures.h"
#include "system/command_runner.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class CNotes final : public IUserNotifier {
  public:
    void ShowMessage(const std::u16string& text) override { notes.push_back(ToUtf8(text)); }
    std::vector<std::string> notes;
};

TEST(MessageCommand, TextWithShellMetacharactersIsNeverRunAndFailuresAreReported) {
    test::ScopedTempDir dir;
    const std::string text = "$(touch pwned1) `touch pwned2`; touch pwned3 && 'x' \"y\"\r\nNNNN";
    fs::create_directory("it's $(x)");
    const fs::path file = dir.Path() / "it's $(x)" / "2007-07-21 14.03.22 GD05.txt";
    test::WriteFile(file, text);
    MessageRecord record;
    record.b1 = u"G";
    record.b2 = u"D";
    record.number = u"05";
    record.text = FromUtf8(text);
    record.quality = 87;
    record.path = file;

    CNotes notes;
    CCommandRunner runner(
        "cat \"$WAVELORE_PATH\" > copy.txt; printf '%s\\n' \"$WAVELORE_ID\" \"$WAVELORE_B1\" "
        "\"$WAVELORE_B2\" \"$WAVELORE_QUALITY\" \"$WAVELORE_REPEAT\" \"$WAVELORE_STATION\" "
        "\"$WAVELORE_SUBJECT\" \"$WAVELORE_PATH\" > env.txt; exit 3",
        &notes);
    CMessageCommand command(runner, 1);
    MessageVerdict verdict;
    verdict.selected = true;
    verdict.repeat = true;
    command.Deliver(record, verdict);
    EXPECT_EQ(runner.Finish(10s), 0u);

    EXPECT_EQ(test::ReadFile("copy.txt"), text);
    EXPECT_EQ(test::ReadFile("env.txt"),
              "GD05\nG\nD\n87\n1\nG Cullercoats\nSearch & Rescue\n" + file.string() + "\n");
    for (const char* name : {"pwned1", "pwned2", "pwned3", "x"}) {
        EXPECT_FALSE(fs::exists(name)) << name;
    }
    ASSERT_EQ(notes.notes.size(), 1u);
    EXPECT_EQ(notes.notes[0], "The command for message GD05 exited with status 3.");

    // One runs, one waits, the third is dropped and said so.
    CCommandRunner bounded("while [ ! -e go ]; do sleep 0.01; done", &notes,
                           CCommandRunner::Limits{1, 1});
    for (const char* label : {"one", "two", "three"}) {
        bounded.Run({}, label);
    }
    EXPECT_EQ(bounded.Running(), 1u);
    EXPECT_EQ(bounded.Queued(), 1u);
    ASSERT_EQ(notes.notes.size(), 2u);
    EXPECT_EQ(notes.notes[1], "The command for three was not run: 1 runs are already waiting.");
    test::WriteFile("go", "");
    EXPECT_EQ(bounded.Finish(10s), 0u);
    EXPECT_EQ(notes.notes.size(), 2u);
}

}  // namespace
}  // namespace wavelore
