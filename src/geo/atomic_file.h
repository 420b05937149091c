#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace wavelore {

// Replaces the file at path by contents so that a reader of path sees the
// old file or the new one whole, never a part: the contents go to a new
// file beside it (same directory, so the rename cannot cross file
// systems), are flushed to the disk, and the new file is renamed over the
// old. The new file gets the old one's permission bits, or rw-r--r--.
// An empty result means written; on any failure the old file is untouched
// and no temporary file is left behind.
std::error_code RewriteFileAtomically(const std::filesystem::path& path, std::string_view contents);

}  // namespace wavelore
