#pragma once

#include <memory>
#include <string>

#include "service/database_pool.h"
#include "service/service_config.h"

namespace wavelore::service {

// The database the configuration names: PostgreSQL when a database URL is
// given, else the SQLite file in the data folder (created when missing).
// One connection per request thread, and one for the odd command. Null with
// error set when the first connection cannot be opened.
std::unique_ptr<CDatabasePool> OpenDatabasePool(const ServiceConfig& config, std::string& error);

// Opens the pool and brings its schema up to date: what every command of
// the program does first.
std::unique_ptr<CDatabasePool> OpenMigratedDatabase(const ServiceConfig& config,
                                                    std::string& error);

}  // namespace wavelore::service
