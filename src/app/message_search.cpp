#include "app/message_search.h"

#include <sqlite3.h>

#include <algorithm>
#include <fstream>

#include "app/message_index.h"
#include "app/sqlite_statement.h"
#include "common/utf.h"

namespace wavelore {

namespace {

namespace fs = std::filesystem;

// The texts in a table of their own, looked up by path; the full-text
// table indexes them by the same row id (external content, kept in step
// by the triggers).
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

// Replaces the text of one message; an SQLite result code.
int Store(sqlite3* db, const std::string& key, const std::string& text) {
    CSqliteStatement remove(db, "DELETE FROM message_body WHERE path = ?1");
    remove.Bind(1, key);
    int rc = remove.Run();
    if (rc == SQLITE_OK) {
        CSqliteStatement insert(db, "INSERT INTO message_body (path, body) VALUES (?1, ?2)");
        insert.Bind(1, key);
        insert.Bind(2, text);
        rc = insert.Run();
    }
    return rc;
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
    std::vector<std::string> missing;
    {
        CSqliteStatement read(db,
                              "SELECT path FROM messages WHERE path NOT IN "
                              "(SELECT path FROM message_body)");
        int rc;
        while ((rc = read.Step()) == SQLITE_ROW) {
            missing.push_back(read.Text(0));
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
    CSqliteStatement insert(db, "INSERT INTO message_body (path, body) VALUES (?1, ?2)");
    for (auto it = missing.begin(); rc == SQLITE_OK && it != missing.end(); ++it) {
        // A file that cannot be read now is tried again at the next Sync.
        if (ReadText(AbsolutePath(m_index, *it), text)) {
            insert.Bind(1, *it);
            insert.Bind(2, text);
            rc = insert.Run();
            insert.Reset();
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
    CSqliteTransaction transaction(db);
    return transaction.Began() == SQLITE_OK && Store(db, m_index.Key(path), text) == SQLITE_OK &&
           transaction.Commit() == SQLITE_OK;
}

void CMessageSearch::Deliver(const MessageRecord& record, const MessageVerdict&) {
    // A message that cannot be indexed now is found by the next Sync.
    Add(record.path);
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
                          "snippet(message_search, 0, '[', ']', '...', 10) "
                          "FROM message_search JOIN message_body b ON b.id = message_search.rowid "
                          "JOIN messages m ON m.path = b.path "
                          "WHERE message_search MATCH ?1 ORDER BY m.frame_time DESC, b.path "
                          "LIMIT ?2");
    find.Bind(1, expression);
    find.Bind(2, int64_t{std::clamp(limit, 1, kMaxHits)});
    while (find.Step() == SQLITE_ROW) {
        SearchHit hit;
        hit.path = AbsolutePath(m_index, find.Text(0));
        hit.day = FromUtf8(find.Text(1).substr(0, 10));
        hit.snippet = FromUtf8(find.Text(2));
        hits.push_back(std::move(hit));
    }
    return hits;
}

}  // namespace wavelore
