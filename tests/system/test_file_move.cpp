#include <gtest/gtest.h>

#include <filesystem>

#include "support/fixtures.h"
#include "system/file_move.h"

namespace wavelore {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

TEST(FileMove, MovesToAFreeNameAndNeverReplacesWhatIsThere) {
    test::ScopedTempDir dir;
    WriteFile("a", "new");
    WriteFile("taken", "old");
    fs::create_directory("folder");
    fs::create_symlink("nowhere", "dangling");
    for (const char* name : {"taken", "folder", "dangling"}) {
        EXPECT_EQ(MoveFileWithoutReplacing("a", name), std::errc::file_exists) << name;
    }
    EXPECT_EQ(ReadFile("a"), "new");
    EXPECT_EQ(ReadFile("taken"), "old");
    EXPECT_TRUE(fs::is_empty("folder"));

    EXPECT_FALSE(MoveFileWithoutReplacing("a", "folder/b"));
    EXPECT_FALSE(fs::exists("a"));
    EXPECT_EQ(ReadFile("folder/b"), "new");
    EXPECT_TRUE(MoveFileWithoutReplacing("a", "c"));  // nothing to move
    EXPECT_FALSE(fs::exists("c"));
}

}  // namespace
}  // namespace wavelore
