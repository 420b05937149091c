#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace wavelore {

// One prepared statement, finalised with the object.
class CSqliteStatement {
  public:
    CSqliteStatement(sqlite3* db, const char* sql) {
        m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~CSqliteStatement() { sqlite3_finalize(m_stmt); }
    CSqliteStatement(const CSqliteStatement&) = delete;
    CSqliteStatement& operator=(const CSqliteStatement&) = delete;

    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    void Bind(int index, int64_t value) { sqlite3_bind_int64(m_stmt, index, value); }
    void Bind(int index, double value) { sqlite3_bind_double(m_stmt, index, value); }
    void BindNull(int index) { sqlite3_bind_null(m_stmt, index); }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int Step() { return m_rc != SQLITE_OK ? m_rc : sqlite3_step(m_stmt); }
    // Step for a statement that returns no rows: SQLITE_OK when it ran.
    int Run() {
        const int rc = Step();
        sqlite3_reset(m_stmt);
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    }

    std::string Text(int column) const {
        const unsigned char* text = sqlite3_column_text(m_stmt, column);
        return text == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(text),
                                 static_cast<size_t>(sqlite3_column_bytes(m_stmt, column)));
    }
    int64_t Int(int column) const { return sqlite3_column_int64(m_stmt, column); }
    double Real(int column) const { return sqlite3_column_double(m_stmt, column); }
    bool IsNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }

  private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc;
};

// A transaction on the tables beside the index: rolled back unless
// committed.
class CSqliteTransaction {
  public:
    explicit CSqliteTransaction(sqlite3* db)
        : m_db(db), m_rc(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr)) {}
    ~CSqliteTransaction() {
        if (m_rc == SQLITE_OK && !m_done) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    CSqliteTransaction(const CSqliteTransaction&) = delete;
    CSqliteTransaction& operator=(const CSqliteTransaction&) = delete;

    // SQLITE_OK when it began.
    int Began() const { return m_rc; }
    int Commit() {
        const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        m_done = rc == SQLITE_OK;
        return rc;
    }

  private:
    sqlite3* m_db;
    int m_rc;
    bool m_done = false;
};

}  // namespace wavelore
