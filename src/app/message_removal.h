#pragma once

#include <filesystem>
#include <system_error>
#include <vector>

namespace wavelore {

class CMessageIndex;

// A file that could not be deleted, and why.
struct RemovalFailure {
    std::filesystem::path path;
    std::error_code error;
};

// Deletes stored messages (the explorer's Delete, after the user agreed):
// each file first, then its index row, so that the index never lacks a row
// of a file that is still there. A file that is already gone loses its row
// too; a file that cannot be deleted keeps its row and is reported. A row
// the index could not remove now goes when the index is next opened.
// Tables kept beside the index (search, read marks) leave out messages
// without a row at once and drop them at their next Sync.
std::vector<RemovalFailure> RemoveStoredMessages(CMessageIndex& index,
                                                 const std::vector<std::filesystem::path>& files);

}  // namespace wavelore
