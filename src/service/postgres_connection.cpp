#include "service/postgres_connection.h"

#include <libpq-fe.h>

#include <charconv>
#include <new>
#include <vector>

namespace wavelore::service {

namespace {

// Type oids of the parameters we send, so that a statement never depends
// on PostgreSQL guessing them from the context.
constexpr Oid kInt8Oid = 20;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kTextOid = 25;

// Our own notices (IF NOT EXISTS and the like) are not for the log, and no
// statement may hold a request thread for long (a migration lifts this).
constexpr const char* kSessionSettings =
    "SET client_min_messages = warning; SET statement_timeout = '30s'";

Oid TypeOf(const SqlValue& value) {
    switch (value.GetType()) {
        case SqlValue::Type::Integer:
            return kInt8Oid;
        case SqlValue::Type::Real:
            return kFloat8Oid;
        case SqlValue::Type::Text:
            return kTextOid;
        case SqlValue::Type::Null:
            break;
    }
    return 0;
}

std::string AsText(const SqlValue& value) {
    switch (value.GetType()) {
        case SqlValue::Type::Integer:
            return std::to_string(value.Integer());
        case SqlValue::Type::Real: {
            char buffer[32];
            const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.Real());
            return ec == std::errc() ? std::string(buffer, end) : std::string("0");
        }
        case SqlValue::Type::Text:
            return value.Text();
        case SqlValue::Type::Null:
            break;
    }
    return {};
}

class ResultGuard {
  public:
    explicit ResultGuard(PGresult* r) : m_r(r) {}
    ~ResultGuard() { PQclear(m_r); }
    ResultGuard(const ResultGuard&) = delete;
    ResultGuard& operator=(const ResultGuard&) = delete;
    PGresult* get() const { return m_r; }

  private:
    PGresult* m_r;
};

bool Succeeded(const PGresult* r) {
    const ExecStatusType status = PQresultStatus(r);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

}  // namespace

CPostgresConnection::~CPostgresConnection() {
    if (m_conn != nullptr) {
        PQfinish(m_conn);
    }
}

bool CPostgresConnection::Fail(const char* message) {
    m_error = message != nullptr && *message != '\0'
                  ? message
                  : (m_conn != nullptr ? PQerrorMessage(m_conn) : "PostgreSQL is not open");
    while (!m_error.empty() && (m_error.back() == '\n' || m_error.back() == ' ')) {
        m_error.pop_back();
    }
    return false;
}

bool CPostgresConnection::Open(const std::string& target) {
    m_conn = PQconnectdb(target.c_str());
    if (m_conn == nullptr) {
        return Fail("out of memory");
    }
    if (PQstatus(m_conn) != CONNECTION_OK) {
        return Fail(nullptr);
    }
    return ExecuteScript(kSessionSettings);
}

bool CPostgresConnection::Usable() {
    if (m_conn == nullptr) {
        return false;
    }
    if (PQstatus(m_conn) == CONNECTION_OK) {
        return true;
    }
    m_prepared.clear();
    PQreset(m_conn);
    return PQstatus(m_conn) == CONNECTION_OK && ExecuteScript(kSessionSettings);
}

bool CPostgresConnection::Query(std::string_view sql, std::span<const SqlValue> params,
                                SqlResult* result) {
    if (result != nullptr) {
        result->Clear();
    }
    if (m_conn == nullptr) {
        return Fail(nullptr);
    }
    const std::string key(sql);
    auto found = m_prepared.find(key);
    if (found == m_prepared.end()) {
        std::vector<Oid> types;
        types.reserve(params.size());
        for (const SqlValue& value : params) {
            types.push_back(TypeOf(value));
        }
        std::string name = "w";
        name += std::to_string(m_prepared.size() + 1);
        ResultGuard prepared(PQprepare(m_conn, name.c_str(), key.c_str(),
                                       static_cast<int>(types.size()), types.data()));
        if (!Succeeded(prepared.get())) {
            return Fail(PQresultErrorMessage(prepared.get()));
        }
        found = m_prepared.emplace(key, name).first;
    }
    std::vector<std::string> texts;
    std::vector<const char*> values;
    texts.reserve(params.size());
    values.reserve(params.size());
    for (const SqlValue& value : params) {
        texts.push_back(AsText(value));
    }
    for (size_t i = 0; i < params.size(); ++i) {
        values.push_back(params[i].GetType() == SqlValue::Type::Null ? nullptr : texts[i].c_str());
    }
    ResultGuard r(PQexecPrepared(m_conn, found->second.c_str(), static_cast<int>(values.size()),
                                 values.data(), nullptr, nullptr, 0));
    if (!Succeeded(r.get())) {
        return Fail(r.get() != nullptr ? PQresultErrorMessage(r.get()) : nullptr);
    }
    if (result != nullptr) {
        const int rows = PQntuples(r.get());
        const int columns = PQnfields(r.get());
        for (int i = 0; i < rows; ++i) {
            SqlResult::Row row;
            row.reserve(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                if (PQgetisnull(r.get(), i, c)) {
                    row.emplace_back(std::nullopt);
                } else {
                    row.emplace_back(std::string(PQgetvalue(r.get(), i, c),
                                                 static_cast<size_t>(PQgetlength(r.get(), i, c))));
                }
            }
            result->AddRow(std::move(row));
        }
    }
    return true;
}

bool CPostgresConnection::ExecuteScript(std::string_view sql) {
    if (m_conn == nullptr) {
        return Fail(nullptr);
    }
    ResultGuard r(PQexec(m_conn, std::string(sql).c_str()));
    if (!Succeeded(r.get())) {
        return Fail(r.get() != nullptr ? PQresultErrorMessage(r.get()) : nullptr);
    }
    return true;
}

std::unique_ptr<SqlConnection> OpenPostgresConnection(const std::string& target,
                                                      std::string& error) {
    std::unique_ptr<CPostgresConnection> db(new (std::nothrow) CPostgresConnection);
    if (!db) {
        error = "out of memory";
        return nullptr;
    }
    if (!db->Open(target)) {
        error = "cannot connect to PostgreSQL: " + db->Error();
        return nullptr;
    }
    return db;
}

}  // namespace wavelore::service
