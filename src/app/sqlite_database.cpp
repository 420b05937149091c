#include "app/sqlite_database.h"

#include <sqlite3.h>

namespace wavelore {

void SqliteClose::operator()(sqlite3* db) const {
    sqlite3_close(db);
}

int OpenSqliteDatabase(const char* name, SqliteDatabase& db) {
    sqlite3* opened = nullptr;
    const int rc =
        sqlite3_open_v2(name, &opened, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    // A failed open still hands over a connection to close.
    db.reset(opened);
    if (rc != SQLITE_OK) {
        db.reset();
    }
    return rc;
}

}  // namespace wavelore
