#include "service/service_setup.h"

#include <filesystem>
#include <system_error>

#include "service/schema_migrations.h"

namespace wavelore::service {

std::unique_ptr<CDatabasePool> OpenDatabasePool(const ServiceConfig& config, std::string& error) {
    const bool postgres = !config.database.empty();
    std::string target = config.database;
    if (!postgres) {
        std::error_code ec;
        std::filesystem::create_directories(config.data, ec);
        if (ec) {
            error = "cannot make the data folder " + config.data + ": " + ec.message();
            return nullptr;
        }
        target = config.SqlitePath();
    }
    const SqlDialect dialect = postgres ? SqlDialect::Postgres : SqlDialect::Sqlite;
    auto pool = std::make_unique<CDatabasePool>(
        dialect,
        [dialect, target](std::string& openError) {
            return OpenSqlConnection(dialect, target, openError);
        },
        static_cast<size_t>(config.threads) + 1);
    // Open one now, so a wrong address or password is said at start.
    auto first = pool->Acquire(CDatabasePool::kNoWait, error);
    if (!first) {
        return nullptr;
    }
    return pool;
}

std::unique_ptr<CDatabasePool> OpenMigratedDatabase(const ServiceConfig& config,
                                                    std::string& error) {
    auto pool = OpenDatabasePool(config, error);
    if (!pool) {
        return nullptr;
    }
    auto db = pool->Acquire(CDatabasePool::kNoWait, error);
    if (!db || !MigrateSchema(*db, kSchemaVersion, error)) {
        return nullptr;
    }
    return pool;
}

}  // namespace wavelore::service
