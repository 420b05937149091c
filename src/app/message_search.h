#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_filter.h"

struct sqlite3;

namespace wavelore {

class CMessageIndex;

// One stored message whose text matches a search.
struct SearchHit {
    std::filesystem::path path;  // absolute
    std::u16string day;          // "YYYY-MM-DD", the frame's date
    // Some words around the first match, the matched words in [brackets].
    std::u16string snippet;
    int32_t frequencyHz = 0;  // the index's (0: unknown)
};

// Full-text search over the stored messages: a full-text table (SQLite
// FTS5) beside the message index in its database, holding the text of
// every stored file the index has a row for. Like the index it is made
// from the files: Sync fills it with the files it lacks and drops what the
// index no longer has, so a rebuilt index is searchable again after the
// next Sync. As an output of the message filter (Wants::Every) it takes
// each message as it is stored, except while a fresh index is being filled
// (storing never waits for that; the next Sync reads the file). Used on the
// index's thread.
class CMessageSearch final : public IMessageOutput {
  public:
    // The most hits a search gives, newest first.
    static constexpr int32_t kMaxHits = 1000;
    // A file's first bytes only are searched: a runaway message stays
    // searchable without filling the index.
    static constexpr size_t kMaxTextBytes = 256 * 1024;

    // index: must outlive the search.
    explicit CMessageSearch(CMessageIndex& index) : m_index(index) {}
    CMessageSearch(const CMessageSearch&) = delete;
    CMessageSearch& operator=(const CMessageSearch&) = delete;

    // Brings the table in line with the index: reads the files it lacks
    // (all of them after a rebuild, which can take seconds for a year of
    // messages) and drops rows whose message is gone. False when the
    // database could not be used.
    bool Sync();
    // Forgets every text and reads all the files again.
    bool Rebuild();
    // A file just stored; false when it could not be read or indexed.
    bool Add(const std::filesystem::path& path);

    // The messages holding every word of query (a word matches the words
    // it begins, case and accents aside), newest first, at most limit
    // (1..kMaxHits). A query without words finds nothing.
    std::vector<SearchHit> Search(std::u16string_view query, int32_t limit = kMaxHits);

    // The FTS5 query for what the user typed: each word a quoted prefix.
    static std::string MatchExpression(std::u16string_view query);

    // IMessageOutput
    void Deliver(const MessageRecord& record, const MessageVerdict& verdict) override;

  private:
    // The database with the tables made, or null.
    sqlite3* Prepared();

    CMessageIndex& m_index;
};

}  // namespace wavelore
