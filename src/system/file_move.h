#pragma once

#include <filesystem>
#include <system_error>

namespace wavelore {

// Renames from to to, unless to already exists (file, directory or link):
// then nothing changes and the result is std::errc::file_exists. The check
// and the rename are one step where the file system allows it, so a file
// that appears meanwhile is never replaced. An empty result means moved.
std::error_code MoveFileWithoutReplacing(const std::filesystem::path& from,
                                         const std::filesystem::path& to);

}  // namespace wavelore
