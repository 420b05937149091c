#pragma once

#include "common/file_system.h"

namespace wavelore {

// The machine's file system: files written with write(2), every short
// write and every close checked, so that a full disk shows at once.
class CPosixFileSystem final : public IFileSystem {
  public:
    std::unique_ptr<IOutputFile> Open(const std::filesystem::path& path, OpenMode mode,
                                      std::error_code& error) override;
    std::error_code MoveWithoutReplacing(const std::filesystem::path& from,
                                         const std::filesystem::path& to) override;
};

}  // namespace wavelore
