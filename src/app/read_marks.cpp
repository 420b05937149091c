#include "app/read_marks.h"

#include "app/message_index.h"
#include "app/sqlite_statement.h"

namespace wavelore {

sqlite3* CReadMarks::Prepared() {
    sqlite3* db = m_index.Database();
    if (db == nullptr ||
        sqlite3_exec(db, "CREATE TABLE IF NOT EXISTS message_unread (path TEXT PRIMARY KEY)",
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    return db;
}

bool CReadMarks::MarkUnread(const std::filesystem::path& path) {
    sqlite3* db = Prepared();
    if (db == nullptr) {
        return false;
    }
    CSqliteStatement insert(db, "INSERT OR IGNORE INTO message_unread (path) VALUES (?1)");
    insert.Bind(1, m_index.Key(path));
    return insert.Run() == SQLITE_OK;
}

bool CReadMarks::MarkRead(const std::filesystem::path& path) {
    sqlite3* db = Prepared();
    if (db == nullptr) {
        return false;
    }
    CSqliteStatement remove(db, "DELETE FROM message_unread WHERE path = ?1");
    remove.Bind(1, m_index.Key(path));
    return remove.Run() == SQLITE_OK;
}

bool CReadMarks::IsUnread(const std::filesystem::path& path) {
    sqlite3* db = Prepared();
    if (db == nullptr) {
        return false;
    }
    CSqliteStatement find(db, "SELECT 1 FROM message_unread WHERE path = ?1");
    find.Bind(1, m_index.Key(path));
    return find.Step() == SQLITE_ROW;
}

bool CReadMarks::Sync() {
    sqlite3* db = Prepared();
    return db != nullptr &&
           sqlite3_exec(db,
                        "DELETE FROM message_unread WHERE path NOT IN (SELECT path FROM messages)",
                        nullptr, nullptr, nullptr) == SQLITE_OK;
}

void CReadMarks::Deliver(const MessageRecord& record, const MessageVerdict&) {
    MarkUnread(record.path);
}

}  // namespace wavelore
