#include "app/message_search.h"

#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <utility>

#include "app/message_index.h"
#include "app/sqlite_statement.h"
#include "common/utf.h"

namespace wavelore {

namespace {

namespace fs = std::filesystem;

// The texts in a table of their own, looked up by path; the full-text
// table indexes them by the same row id (external content, kept in step
// by the triggers). A text's id is its frame's time (kIdsPerSecond to a
// second), so the full-text table hands out hits newest first by itself
// and a search stops at its limit instead of sorting every hit.
constexpr const char* kCreateTables = R"(
CREATE TABLE IF NOT EXISTS message_body (
    id INTEGER PRIMARY KEY,
    path TEXT UNIQUE NOT NULL,
    body TEXT NOT NULL
);
CREATE VIRTUAL TABLE IF NOT EXISTS message_search USING fts5(
    body, content = 'message_body', content_rowid = 'id',
    tokenize = 'unicode61 remove_diacritics 2'
);
CREATE TRIGGER IF NOT EXISTS message_body_added AFTER INSERT ON message_body BEGIN
    INSERT INTO message_search (rowid, body) VALUES (new.id, new.body);
END;
CREATE TRIGGER IF NOT EXISTS message_body_removed AFTER DELETE ON message_body BEGIN
    INSERT INTO message_search (message_search, rowid, body) VALUES ('delete', old.id, old.body);
END;
)";

constexpr int64_t kIdsPerSecond = 1024;

bool ReadText(const fs::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    text.resize(CMessageSearch::kMaxTextBytes);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return !in.bad();
}

fs::path AbsolutePath(const CMessageIndex& index, const std::string& key) {
    fs::path path(key);
    return path.is_relative() ? index.Base() / path : path;
}

// Adds (or replaces) the text of one message whose frame started at
// frameSeconds (CalendarSeconds); an SQLite result code.
int Store(sqlite3* db, const std::string& key, int64_t frameSeconds, const std::string& text) {
    CSqliteStatement remove(db, "DELETE FROM message_body WHERE path = ?1");
    remove.Bind(1, key);
    int rc = remove.Run();
    if (rc != SQLITE_OK) {
        return rc;
    }
    const int64_t first = frameSeconds * kIdsPerSecond;
    int64_t id = first;
    {
        CSqliteStatement last(db, "SELECT max(id) FROM message_body WHERE id BETWEEN ?1 AND ?2");
        last.Bind(1, first);
        last.Bind(2, first + kIdsPerSecond - 1);
        rc = last.Step();
        if (rc != SQLITE_ROW) {
            return rc;
        }
        if (!last.IsNull(0)) {
            id = last.Int(0) + 1;
        }
    }
    // A second with more messages than ids (never seen) gives the rest
    // the next free ids: found all the same, only out of time order.
    CSqliteStatement insert(db,
                            id < first + kIdsPerSecond
                                ? "INSERT INTO message_body (id, path, body) VALUES (?3, ?1, ?2)"
                                : "INSERT INTO message_body (path, body) VALUES (?1, ?2)");
    insert.Bind(1, key);
    insert.Bind(2, text);
    insert.Bind(3, id);
    return insert.Run();
}

}  // namespace

sqlite3* CMessageSearch::Prepared() {
    sqlite3* db = m_index.Database();
    if (db == nullptr || sqlite3_exec(db, kCreateTables, nullptr, nullptr, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    return db;
}

bool CMessageSearch::Sync() {
    sqlite3* db = Prepared();
    if (db == nullptr) {
        return false;
    }
    std::vector<std::pair<std::string, int64_t>> missing;  // key, frame seconds
    {
        CSqliteStatement read(db,
                              "SELECT path, frame_seconds FROM messages WHERE path NOT IN "
                              "(SELECT path FROM message_body)");
        int rc;
        while ((rc = read.Step()) == SQLITE_ROW) {
            missing.emplace_back(read.Text(0), read.Int(1));
        }
        if (rc != SQLITE_DONE) {
            return false;
        }
    }
    CSqliteTransaction transaction(db);
    if (transaction.Began() != SQLITE_OK) {
        return false;
    }
    int rc =
        sqlite3_exec(db, "DELETE FROM message_body WHERE path NOT IN (SELECT path FROM messages)",
                     nullptr, nullptr, nullptr);
    std::string text;
    for (auto it = missing.begin(); rc == SQLITE_OK && it != missing.end(); ++it) {
        // A file that cannot be read now is tried again at the next Sync.
        if (ReadText(AbsolutePath(m_index, it->first), text)) {
            rc = Store(db, it->first, it->second, text);
        }
    }
    return rc == SQLITE_OK && transaction.Commit() == SQLITE_OK;
}

bool CMessageSearch::Rebuild() {
    sqlite3* db = Prepared();
    return db != nullptr &&
           sqlite3_exec(db, "DELETE FROM message_body", nullptr, nullptr, nullptr) == SQLITE_OK &&
           Sync();
}

bool CMessageSearch::Add(const fs::path& path) {
    std::string text;
    if (!ReadText(path, text)) {
        return false;
    }
    sqlite3* db = Prepared();
    if (db == nullptr) {
        return false;
    }
    // The index has just given the message its row, with its frame time.
    const std::string key = m_index.Key(path);
    CSqliteStatement row(db, "SELECT frame_seconds FROM messages WHERE path = ?1");
    row.Bind(1, key);
    if (row.Step() != SQLITE_ROW) {
        return false;
    }
    CSqliteTransaction transaction(db);
    return transaction.Began() == SQLITE_OK && Store(db, key, row.Int(0), text) == SQLITE_OK &&
           transaction.Commit() == SQLITE_OK;
}

void CMessageSearch::Deliver(const MessageRecord& record, const MessageVerdict&) {
    // A message that cannot be indexed now is found by the next Sync.
    if (!m_index.Filling()) {
        Add(record.path);
    }
}

std::string CMessageSearch::MatchExpression(std::u16string_view query) {
    std::string expression;
    const std::string text = ToUtf8(query);
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = text.find_first_not_of(" \t\r\n", at);
        if (start == std::string::npos) {
            break;
        }
        const size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
        std::string word = text.substr(start, end - start);
        // Inside quotes only a quote means anything to FTS5: doubled.
        std::string quoted = "\"";
        for (char c : word) {
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        }
        quoted += "\"*";
        expression += expression.empty() ? quoted : " " + quoted;
        at = end;
    }
    return expression;
}

std::vector<SearchHit> CMessageSearch::Search(std::u16string_view query, int32_t limit) {
    std::vector<SearchHit> hits;
    const std::string expression = MatchExpression(query);
    sqlite3* db = expression.empty() ? nullptr : Prepared();
    if (db == nullptr) {
        return hits;
    }
    // Only messages the index still has: a row deleted there is gone from
    // the hits at once, before the next Sync drops its text.
    CSqliteStatement find(db,
                          "SELECT b.path, m.frame_time, "
                          "snippet(message_search, 0, '[', ']', '...', 10), m.frequency "
                          "FROM message_search JOIN message_body b ON b.id = message_search.rowid "
                          "JOIN messages m ON m.path = b.path "
                          "WHERE message_search MATCH ?1 "
                          "ORDER BY message_search.rowid DESC LIMIT ?2");
    find.Bind(1, expression);
    find.Bind(2, int64_t{std::clamp(limit, 1, kMaxHits)});
    while (find.Step() == SQLITE_ROW) {
        SearchHit hit;
        hit.path = AbsolutePath(m_index, find.Text(0));
        hit.day = FromUtf8(find.Text(1).substr(0, 10));
        hit.snippet = FromUtf8(find.Text(2));
        hit.frequencyHz = static_cast<int32_t>(find.Int(3));
        hits.push_back(std::move(hit));
    }
    return hits;
}

}  // namespace wavelore
