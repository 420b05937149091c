#include "app/read_marks.h"

#include <algorithm>

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

int CReadMarks::OnPath(const char* sql, const std::filesystem::path& path) {
    sqlite3* db = Prepared();
    if (db == nullptr) {
        return SQLITE_CANTOPEN;
    }
    CSqliteStatement statement(db, sql);
    statement.Bind(1, m_index.Key(path));
    return statement.Step();
}

bool CReadMarks::WritePending() {
    while (!m_pending.empty()) {
        if (OnPath("INSERT OR IGNORE INTO message_unread (path) VALUES (?1)", m_pending.back()) !=
            SQLITE_DONE) {
            return false;
        }
        m_pending.pop_back();
    }
    return true;
}

bool CReadMarks::MarkUnread(const std::filesystem::path& path) {
    if (m_index.Filling()) {
        m_pending.push_back(path);
        return true;
    }
    return WritePending() &&
           OnPath("INSERT OR IGNORE INTO message_unread (path) VALUES (?1)", path) == SQLITE_DONE;
}

bool CReadMarks::MarkRead(const std::filesystem::path& path) {
    std::erase(m_pending, path);
    return m_index.Filling() ||
           OnPath("DELETE FROM message_unread WHERE path = ?1", path) == SQLITE_DONE;
}

bool CReadMarks::IsUnread(const std::filesystem::path& path) {
    if (std::find(m_pending.begin(), m_pending.end(), path) != m_pending.end()) {
        return true;
    }
    return !m_index.Filling() &&
           OnPath("SELECT 1 FROM message_unread WHERE path = ?1", path) == SQLITE_ROW;
}

std::set<std::string> CReadMarks::UnreadKeys() {
    std::set<std::string> keys;
    for (const std::filesystem::path& path : m_pending) {
        keys.insert(m_index.Key(path));
    }
    sqlite3* db = m_index.Filling() ? nullptr : Prepared();
    if (db != nullptr) {
        CSqliteStatement read(db, "SELECT path FROM message_unread");
        while (read.Step() == SQLITE_ROW) {
            keys.insert(read.Text(0));
        }
    }
    return keys;
}

bool CReadMarks::Sync() {
    sqlite3* db = WritePending() ? Prepared() : nullptr;
    return db != nullptr &&
           sqlite3_exec(db,
                        "DELETE FROM message_unread WHERE path NOT IN (SELECT path FROM messages)",
                        nullptr, nullptr, nullptr) == SQLITE_OK;
}

void CReadMarks::Deliver(const MessageRecord& record, const MessageVerdict&) {
    MarkUnread(record.path);
}

}  // namespace wavelore
