#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "service/sql_connection.h"

struct sqlite3;
struct sqlite3_stmt;

namespace wavelore::service {

// A connection to an SQLite file in WAL mode, so readers never wait for the
// writer; writers wait for each other up to the busy time-out. Prepared
// statements are kept per statement text.
class CSqliteConnection final : public SqlConnection {
  public:
    // How long a writer waits for another one before its statement fails.
    static constexpr int kBusyTimeoutMs = 10000;

    CSqliteConnection() = default;
    ~CSqliteConnection() override;

    // Opens or creates the file; false with Error() set.
    bool Open(const std::string& path);

    SqlDialect Dialect() const override { return SqlDialect::Sqlite; }
    bool Query(std::string_view sql, std::span<const SqlValue> params, SqlResult* result) override;
    bool ExecuteScript(std::string_view sql) override;
    bool Usable() override { return m_db != nullptr; }
    const std::string& Error() const override { return m_error; }

  private:
    sqlite3_stmt* Prepared(std::string_view sql);
    bool Fail();

    sqlite3* m_db = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> m_statements;
    std::string m_error;
};

std::unique_ptr<SqlConnection> OpenSqliteConnection(const std::string& path, std::string& error);

}  // namespace wavelore::service
