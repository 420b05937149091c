#pragma once

#include <memory>

struct sqlite3;

namespace wavelore {

struct SqliteClose {
    void operator()(sqlite3* db) const;
};

// An open SQLite connection, closed with its owner.
using SqliteDatabase = std::unique_ptr<sqlite3, SqliteClose>;

// Opens name (":memory:" for a database in memory) for reading and
// writing, creating it when missing; an SQLite result code. db is empty
// unless the result is SQLITE_OK.
int OpenSqliteDatabase(const char* name, SqliteDatabase& db);

}  // namespace wavelore
