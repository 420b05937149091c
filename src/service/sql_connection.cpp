#include "service/sql_connection.h"

#include <charconv>
#include <cstdlib>

#include "service/postgres_connection.h"
#include "service/sqlite_connection.h"

namespace wavelore::service {

bool SqlResult::IsNull(size_t row, size_t column) const {
    return row >= m_rows.size() || column >= m_rows[row].size() || !m_rows[row][column];
}

std::string SqlResult::Text(size_t row, size_t column) const {
    return IsNull(row, column) ? std::string() : *m_rows[row][column];
}

int64_t SqlResult::Int(size_t row, size_t column, int64_t fallback) const {
    return OptionalInt(row, column).value_or(fallback);
}

double SqlResult::Real(size_t row, size_t column, double fallback) const {
    return OptionalReal(row, column).value_or(fallback);
}

std::optional<int64_t> SqlResult::OptionalInt(size_t row, size_t column) const {
    if (IsNull(row, column)) {
        return std::nullopt;
    }
    const std::string& text = *m_rows[row][column];
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> SqlResult::OptionalReal(size_t row, size_t column) const {
    if (IsNull(row, column)) {
        return std::nullopt;
    }
    const std::string& text = *m_rows[row][column];
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

CSqlTransaction::CSqlTransaction(SqlConnection& db, Kind kind) : m_db(db) {
    const bool sqliteWriter = kind == Kind::Write && db.Dialect() == SqlDialect::Sqlite;
    m_begun = m_db.Query(sqliteWriter ? "BEGIN IMMEDIATE" : "BEGIN", {});
}

CSqlTransaction::~CSqlTransaction() {
    if (m_begun) {
        m_db.Query("ROLLBACK", {});
    }
}

bool CSqlTransaction::Commit() {
    if (!m_begun) {
        return false;
    }
    m_begun = false;
    if (m_db.Query("COMMIT", {})) {
        return true;
    }
    m_db.Query("ROLLBACK", {});
    return false;
}

std::unique_ptr<SqlConnection> OpenSqlConnection(SqlDialect dialect, const std::string& target,
                                                 std::string& error) {
    if (dialect == SqlDialect::Sqlite) {
        return OpenSqliteConnection(target, error);
    }
    return OpenPostgresConnection(target, error);
}

}  // namespace wavelore::service
