#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_record.h"
#include "common/clock.h"
#include "geo/warning_geometry.h"

struct sqlite3;

namespace wavelore {

// One geometry of a stored message as the index keeps it.
struct IndexedGeometry {
    // Its identity names the station and subject as the explorer does
    // ("E Niton", "Navigational warnings") in the NAVAREA of the query.
    WarningGeometry geometry;
    std::filesystem::path path;  // the stored message, absolute
    std::u16string b1;
    std::u16string b2;
    LocalTime frameTime;
    int32_t ordinal = 0;  // the geometry's place in its message, from 0
    // As the message's row in the index has them.
    bool repeat = false;
    bool selected = false;
};

// Which geometries a query gives.
struct GeometryQuery {
    // Frame times (CalendarSeconds), both ends included.
    std::optional<int64_t> from;
    std::optional<int64_t> to;
    std::u16string stations;  // B1 letters; empty: every station
    bool selectedOnly = false;
    bool withoutRepeats = false;
    int32_t navArea = 1;  // for the station names
};

// The places stored messages speak of, in the message index beside the
// messages: a row per geometry (identity, station, subject, frame time,
// kind, positions, radius and bounding box) in the table "geometries", and
// in "geometry_scans" a row per message read, so that the rows are made
// once. Like the rest of the index they come from the stored files and are
// made again from them: Sync reads the files of messages not yet read and
// drops the rows of messages gone.
//
// The index owns the database; these functions take its handle at each
// call, since the index may replace it (a rebuild, an index in memory).
// Each returns an SQLite result code, SQLITE_OK when done.
class CMessageGeometries {
  public:
    // base: the directory holding logs/, against which the index's relative
    // paths are taken.
    explicit CMessageGeometries(std::filesystem::path base) : m_base(std::move(base)) {}

    // Makes the tables if missing, then brings them in line with the table
    // "messages": a message without a scan is read from its file (one that
    // cannot be read is tried again at the next Sync) and rows of messages
    // no longer indexed go. SQLITE_INTERRUPT, with nothing changed, once
    // cancel (may be null) is set.
    int Sync(sqlite3* db, const std::atomic<bool>* cancel = nullptr) const;

    // The geometries of a message just indexed under key (its path as the
    // index stores it), read from record.text; any rows it had go first.
    int Add(sqlite3* db, const std::string& key, const MessageRecord& record) const;

    // The geometries the query asks for, by frame time, then message, then
    // place in the message.
    int Query(sqlite3* db, const GeometryQuery& query, std::vector<IndexedGeometry>& out) const;

    // The text of a stored message file after its header line ("ZCZC B1B2NN"),
    // as the assembler's record has it; the whole file when it has no
    // header line, empty when it cannot be read.
    static std::u16string ReadStoredText(const std::filesystem::path& path);

  private:
    int Prepare(sqlite3* db) const;
    struct Message {
        std::string key;
        std::u16string identity;
        std::u16string b1;
        std::u16string b2;
        LocalTime frameTime;
    };
    // Replaces the message's rows by those its text gives, and marks it read.
    static int Insert(sqlite3* db, const Message& message, std::u16string_view text);

    std::filesystem::path m_base;
};

}  // namespace wavelore
