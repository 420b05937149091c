#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace wavelore::service {

// The two databases the service runs on. Statements are written once in
// the SQL both understand (parameters $1..$n, CAST, ON CONFLICT,
// RETURNING); where they differ (identity columns, full-text search,
// locking) the dialect picks the text.
enum class SqlDialect { Sqlite, Postgres };

// A statement parameter: NULL, an integer, a real or text. Values reach the
// database only as bound parameters, never inside the statement's text.
class SqlValue {
  public:
    enum class Type { Null, Integer, Real, Text };

    SqlValue() = default;
    SqlValue(int value) : m_type(Type::Integer), m_integer(value) {}
    SqlValue(int64_t value) : m_type(Type::Integer), m_integer(value) {}
    SqlValue(double value) : m_type(Type::Real), m_real(value) {}
    SqlValue(std::string value) : m_type(Type::Text), m_text(std::move(value)) {}
    SqlValue(const char* value) : m_type(Type::Text), m_text(value) {}
    // NULL when empty.
    template <typename T>
    SqlValue(const std::optional<T>& value) {
        if (value) {
            *this = SqlValue(*value);
        }
    }

    Type GetType() const { return m_type; }
    int64_t Integer() const { return m_integer; }
    double Real() const { return m_real; }
    const std::string& Text() const { return m_text; }

  private:
    Type m_type = Type::Null;
    int64_t m_integer = 0;
    double m_real = 0.0;
    std::string m_text;
};

// Rows of a result, every column as text as the database prints it, or
// nullopt for NULL.
class SqlResult {
  public:
    using Row = std::vector<std::optional<std::string>>;

    void Clear() { m_rows.clear(); }
    void AddRow(Row row) { m_rows.push_back(std::move(row)); }

    size_t Rows() const { return m_rows.size(); }
    bool IsNull(size_t row, size_t column) const;
    // The column as text; empty for NULL or a missing column.
    std::string Text(size_t row, size_t column) const;
    // The column as a number; fallback for NULL, a missing column or text
    // that is not a number.
    int64_t Int(size_t row, size_t column, int64_t fallback = 0) const;
    double Real(size_t row, size_t column, double fallback = 0.0) const;
    std::optional<double> OptionalReal(size_t row, size_t column) const;
    std::optional<int64_t> OptionalInt(size_t row, size_t column) const;

  private:
    std::vector<Row> m_rows;
};

// One connection to the database, used by one thread at a time.
class SqlConnection {
  public:
    SqlConnection() = default;
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;
    virtual ~SqlConnection() = default;

    virtual SqlDialect Dialect() const = 0;
    // One statement with parameters $1..$n; result (optional) receives its
    // rows. False with Error() set when it fails.
    virtual bool Query(std::string_view sql, std::span<const SqlValue> params,
                       SqlResult* result = nullptr) = 0;
    // Statements without parameters, separated by semicolons, in order.
    virtual bool ExecuteScript(std::string_view sql) = 0;
    // Whether the connection can still be used; a lost server is tried
    // again here.
    virtual bool Usable() = 0;
    virtual const std::string& Error() const = 0;

    bool Query(std::string_view sql, std::initializer_list<SqlValue> params,
               SqlResult* result = nullptr) {
        return Query(sql, std::span<const SqlValue>(params.begin(), params.size()), result);
    }
};

// A transaction that rolls back unless committed. Writers start it with
// Write, which on SQLite takes the write lock at once (so two writers never
// deadlock upgrading a read lock).
class CSqlTransaction {
  public:
    enum class Kind { Read, Write };

    CSqlTransaction(SqlConnection& db, Kind kind);
    ~CSqlTransaction();
    CSqlTransaction(const CSqlTransaction&) = delete;
    CSqlTransaction& operator=(const CSqlTransaction&) = delete;

    bool Begun() const { return m_begun; }
    bool Commit();

  private:
    SqlConnection& m_db;
    bool m_begun = false;
};

// Opens a connection: an SQLite file path, or a PostgreSQL connection
// string or URL ("postgresql://..." or "host=... dbname=..."). Null with
// error set when it cannot be opened.
std::unique_ptr<SqlConnection> OpenSqlConnection(SqlDialect dialect, const std::string& target,
                                                 std::string& error);

}  // namespace wavelore::service
