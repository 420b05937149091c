#include "service/sqlite_connection.h"

#include <sqlite3.h>

#include <new>

namespace wavelore::service {

CSqliteConnection::~CSqliteConnection() {
    for (auto& [sql, statement] : m_statements) {
        sqlite3_finalize(statement);
    }
    if (m_db != nullptr) {
        sqlite3_close(m_db);
    }
}

bool CSqliteConnection::Fail() {
    m_error = m_db != nullptr ? sqlite3_errmsg(m_db) : "SQLite is not open";
    return false;
}

bool CSqliteConnection::Open(const std::string& path) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        Fail();
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // NORMAL keeps every committed transaction across a crash of the
    // program; only a power cut may take the last ones, as WAL allows.
    return ExecuteScript(
        "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON");
}

sqlite3_stmt* CSqliteConnection::Prepared(std::string_view sql) {
    const std::string key(sql);
    const auto found = m_statements.find(key);
    if (found != m_statements.end()) {
        return found->second;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, key.c_str(), static_cast<int>(key.size()), &statement, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    m_statements.emplace(key, statement);
    return statement;
}

bool CSqliteConnection::Query(std::string_view sql, std::span<const SqlValue> params,
                              SqlResult* result) {
    if (result != nullptr) {
        result->Clear();
    }
    if (m_db == nullptr) {
        return Fail();
    }
    sqlite3_stmt* statement = Prepared(sql);
    if (statement == nullptr) {
        return Fail();
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    for (size_t i = 0; i < params.size(); ++i) {
        std::string name = "$";
        name += std::to_string(i + 1);
        const int index = sqlite3_bind_parameter_index(statement, name.c_str());
        if (index == 0) {
            continue;
        }
        const SqlValue& value = params[i];
        int rc = SQLITE_OK;
        switch (value.GetType()) {
            case SqlValue::Type::Integer:
                rc = sqlite3_bind_int64(statement, index, value.Integer());
                break;
            case SqlValue::Type::Real:
                rc = sqlite3_bind_double(statement, index, value.Real());
                break;
            case SqlValue::Type::Text:
                rc = sqlite3_bind_text(statement, index, value.Text().data(),
                                       static_cast<int>(value.Text().size()), SQLITE_TRANSIENT);
                break;
            case SqlValue::Type::Null:
                rc = sqlite3_bind_null(statement, index);
                break;
        }
        if (rc != SQLITE_OK) {
            return Fail();
        }
    }
    for (;;) {
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE) {
            break;
        }
        if (rc != SQLITE_ROW) {
            Fail();
            sqlite3_reset(statement);
            return false;
        }
        if (result == nullptr) {
            continue;
        }
        const int columns = sqlite3_column_count(statement);
        SqlResult::Row row;
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
                row.emplace_back(std::nullopt);
                continue;
            }
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            const int bytes = sqlite3_column_bytes(statement, c);
            row.emplace_back(std::string(text != nullptr ? text : "", static_cast<size_t>(bytes)));
        }
        result->AddRow(std::move(row));
    }
    sqlite3_reset(statement);
    return true;
}

bool CSqliteConnection::ExecuteScript(std::string_view sql) {
    if (m_db == nullptr) {
        return Fail();
    }
    char* message = nullptr;
    if (sqlite3_exec(m_db, std::string(sql).c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        m_error = message != nullptr ? message : "SQLite script failed";
        sqlite3_free(message);
        return false;
    }
    return true;
}

std::unique_ptr<SqlConnection> OpenSqliteConnection(const std::string& path, std::string& error) {
    std::unique_ptr<CSqliteConnection> db(new (std::nothrow) CSqliteConnection);
    if (!db) {
        error = "out of memory";
        return nullptr;
    }
    if (!db->Open(path)) {
        error = "cannot open the SQLite database " + path + ": " + db->Error();
        return nullptr;
    }
    return db;
}

}  // namespace wavelore::service
