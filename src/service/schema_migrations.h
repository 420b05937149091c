#pragma once

#include <string>

#include "service/sql_connection.h"

namespace wavelore::service {

// The schema this program works with. Version 1: receivers, merged
// messages and their receptions. Version 2: full-text search over the
// messages and the positions read from them.
constexpr int kSchemaVersion = 2;

// The schema version a database holds: 0 when it is empty; -1 with error
// set when it cannot be read.
int CurrentSchemaVersion(SqlConnection& db, std::string& error);

// Brings the database from whatever version it holds up to target, in one
// transaction, so a failed step leaves it as it was. Several processes may
// start at once: one migrates, the others wait and find the work done. A
// database newer than this program is refused, never touched. from
// (optional) receives the version found.
bool MigrateSchema(SqlConnection& db, int target, std::string& error, int* from = nullptr);

}  // namespace wavelore::service
