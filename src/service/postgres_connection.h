#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "service/sql_connection.h"

struct pg_conn;

namespace wavelore::service {

// A connection to PostgreSQL over libpq. Each statement text is prepared
// once per connection; a connection the server dropped is re-established
// by Usable (and the failing statement reported, never repeated blindly).
class CPostgresConnection final : public SqlConnection {
  public:
    CPostgresConnection() = default;
    ~CPostgresConnection() override;

    // target: a libpq connection string or URL. False with Error() set.
    bool Open(const std::string& target);

    SqlDialect Dialect() const override { return SqlDialect::Postgres; }
    bool Query(std::string_view sql, std::span<const SqlValue> params, SqlResult* result) override;
    bool ExecuteScript(std::string_view sql) override;
    bool Usable() override;
    const std::string& Error() const override { return m_error; }

  private:
    bool Fail(const char* message);

    pg_conn* m_conn = nullptr;
    std::unordered_map<std::string, std::string> m_prepared;  // text -> name
    std::string m_error;
};

std::unique_ptr<SqlConnection> OpenPostgresConnection(const std::string& target,
                                                      std::string& error);

}  // namespace wavelore::service
