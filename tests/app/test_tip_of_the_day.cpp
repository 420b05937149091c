#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/profile_store.h"
#include "app/tip_of_the_day.h"
#include "support/fixtures.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using test::Narrow;
using test::WriteFile;

// Comments, blank and indented lines, CR LF endings and a line of 1,500
// characters (read in pieces; the piece after the first starts with a
// space, so it is skipped like an indented line).
const std::string kTips =
    "; Wavelore tips\n"
    "First tip\r\n"
    "\r\n"
    "  indented, never shown\n"
    "\tneither is this\n"
    ";Second tip hidden\n"
    "Second tip\n" +
    std::string(999, 'L') + std::string(501, ' ') + "\n" + "Third tip";

TEST(TipOfTheDay, EachOpeningMovesOneTipOnAndWrapsAroundSkippingComments) {
    test::ScopedTempDir dir;
    WriteFile("tips.txt", kTips);
    CMemoryProfileStore profile;
    int troubles = 0;
    const auto open = [&] {
        return std::make_unique<CTipOfTheDay>(profile, "tips.txt", [&] { ++troubles; });
    };

    std::vector<std::u16string> seen;
    {
        auto tips = open();  // the start-up: one tip on, nothing shown
        EXPECT_TRUE(tips->ShowAtStartUp());
        seen.push_back(tips->Tip());
    }
    {
        auto tips = open();  // the dialog the start-up asked for
        seen.push_back(tips->Tip());
        for (int i = 0; i < 3; ++i) {
            tips->Next();
            seen.push_back(tips->Tip());
        }
    }
    const std::u16string longLine(999, u'L');
    const std::vector<std::u16string> expected = {u"First tip\n", u"Second tip\n", longLine,
                                                  u"Third tip", u"First tip\n"};
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], expected[i]) << i << ": " << Narrow(seen[i]);
    }
    EXPECT_EQ(troubles, 0);
    EXPECT_FALSE(profile.Contains(CTipOfTheDay::kSection, u"StartUp"));  // only Close stores it

    // An edited file starts from its first tip again.
    WriteFile("tips.txt", "New first\nNew second\n");
    fs::last_write_time("tips.txt", fs::last_write_time("tips.txt") - std::chrono::hours(30));
    EXPECT_EQ(open()->Tip(), u"New first\n");
    EXPECT_EQ(open()->Tip(), u"New second\n");

    // A position the file cannot reach is reported; the next opening starts over.
    profile.WriteInt(CTipOfTheDay::kSection, u"FilePos", -5);
    EXPECT_EQ(open()->Tip(), u"");
    EXPECT_EQ(troubles, 1);
    EXPECT_EQ(open()->Tip(), u"New first\n");
}

TEST(TipOfTheDay, NoTipsEndsTheSearchAndTheStartUpFlagIsStoredOnClose) {
    test::ScopedTempDir dir;
    CMemoryProfileStore profile;
    {
        CTipOfTheDay missing(profile, "tips.txt", nullptr);
        EXPECT_FALSE(missing.FileOpen());
        EXPECT_EQ(missing.Tip(), u"");
        missing.Close(false);
    }
    EXPECT_EQ(profile.GetInt(CTipOfTheDay::kSection, u"StartUp", -1), 1);
    EXPECT_FALSE(profile.Contains(CTipOfTheDay::kSection, u"FilePos"));

    WriteFile("tips.txt", "; only comments\n\n  and indented lines\n");
    CTipOfTheDay none(profile, "tips.txt", nullptr);
    EXPECT_FALSE(none.ShowAtStartUp());
    EXPECT_TRUE(none.FileOpen());
    EXPECT_EQ(none.Tip(), u"");
    none.Next();
    EXPECT_EQ(none.Tip(), u"");
    none.Close(true);
    EXPECT_EQ(profile.GetInt(CTipOfTheDay::kSection, u"StartUp", -1), 0);
}

TEST(TipOfTheDay, TheShippedTipsFileHoldsTwentyTipsAtLeast) {
    test::ScopedTempDir dir;
    CMemoryProfileStore profile;
    CTipOfTheDay tips(profile, test::SourceDir() / "res" / "tips.txt", nullptr);
    std::vector<std::u16string> seen;
    while (seen.empty() || tips.Tip() != seen.front()) {
        ASSERT_GT(tips.Tip().size(), 20u);
        seen.push_back(tips.Tip());
        ASSERT_LT(seen.size(), 100u);
        tips.Next();
    }
    EXPECT_GE(seen.size(), 20u);
}

TEST(TipOfTheDay, TheWorkingDirectorysTipsComeFirstThenTheInstalledOnes) {
    test::ScopedTempDir dir;
    const fs::path work = dir.Path() / "work";
    const fs::path installed = dir.Path() / "share";
    const fs::path sourceRes = dir.Path() / "res";
    for (const auto& d : {work, installed, sourceRes}) {
        fs::create_directories(d);
    }
    const std::vector<fs::path> order{work, dir.Path() / "missing", installed, sourceRes};
    EXPECT_EQ(FindTipsFile(order), work / "tips.txt");  // none anywhere: the working one is named

    WriteFile(sourceRes / "tips.txt", "From the source tree\n");
    fs::create_directories(installed / "tips.txt");  // a directory is no tips file
    EXPECT_EQ(FindTipsFile(order), sourceRes / "tips.txt");
    fs::remove(installed / "tips.txt");
    WriteFile(installed / "tips.txt", "Installed\n");
    EXPECT_EQ(FindTipsFile(order), installed / "tips.txt");
    WriteFile(work / "tips.txt", "Mine\n");
    EXPECT_EQ(FindTipsFile(order), work / "tips.txt");
}

}  // namespace
}  // namespace wavelore
