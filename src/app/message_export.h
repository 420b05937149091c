#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <vector>

#include "app/message_index.h"

namespace wavelore {

// Export of the messages chosen in the explorer.

// The stored files' texts one after another as they are (UTF-8, CR LF),
// each ended by an empty line, into out. Returns the files that could not
// be read (left out); the others are all written.
std::vector<std::filesystem::path> ExportText(const std::vector<std::filesystem::path>& files,
                                              std::ostream& out);

// The index's fields, a header line and a line per message (RFC 4180:
// CR LF, fields quoted where they must be): file, identity, station,
// subject, number, frame time, quality, good, errors (the three empty for
// a message whose counts are unknown), clean, repeat, selected (0 or 1),
// frequency (Hz; empty when unknown).
void ExportCsv(const std::vector<IndexedMessage>& rows, std::ostream& out);

}  // namespace wavelore
