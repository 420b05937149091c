#include "app/message_removal.h"

#include "app/message_index.h"

namespace wavelore {

std::vector<RemovalFailure> RemoveStoredMessages(CMessageIndex& index,
                                                 const std::vector<std::filesystem::path>& files) {
    std::vector<RemovalFailure> failures;
    for (const std::filesystem::path& file : files) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        if (ec) {
            failures.push_back({file, ec});
            continue;
        }
        index.Remove(file);
    }
    return failures;
}

}  // namespace wavelore
