#pragma once

// The whole collection service in the test's process, on a fresh database
// (an SQLite file in the test's folder, or a schema of its own in the test
// PostgreSQL cluster), listening on a free port of 127.0.0.1, with a clock
// the test sets.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "service/http_server.h"
#include "service/message_store.h"
#include "service/schema_migrations.h"
#include "service/service_config.h"
#include "service/service_log.h"
#include "service/service_metrics.h"
#include "service/service_routes.h"
#include "support/fixtures.h"
#include "support/process_runner.h"

namespace wavelore::test {

enum class Backend { Sqlite, Postgres };

inline void PrintTo(Backend backend, std::ostream* out) {
    *out << (backend == Backend::Sqlite ? "SQLite" : "PostgreSQL");
}

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

// The test cluster's connection string: WAVELORE_TEST_POSTGRES, else what
// the suite's cluster fixture wrote; empty when there is none.
inline std::string TestPostgres() {
    if (const char* url = std::getenv("WAVELORE_TEST_POSTGRES"); url != nullptr && *url != '\0') {
        return url;
    }
    std::ifstream in(WAVELORE_TEST_POSTGRES_FILE);
    std::string url;
    std::getline(in, url);
    return url;
}

inline constexpr const char* kNoPostgres =
    "PostgreSQL tests skipped: no test cluster (PostgreSQL is not installed, or the "
    "ServicePostgres.Cluster fixture did not run)";

// A database for one test. On PostgreSQL a schema of its own, dropped at
// the end, so tests never see each other's rows.
class CTestDatabase {
  public:
    explicit CTestDatabase(Backend backend) : m_backend(backend) {
        if (backend == Backend::Sqlite) {
            m_target = (std::filesystem::current_path() / "service.sqlite").string();
            return;
        }
        m_server = TestPostgres();
        if (m_server.empty()) {
            return;
        }
        static std::atomic<int> counter{0};
        m_schema = "t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
        std::string error;
        auto admin = service::OpenSqlConnection(service::SqlDialect::Postgres, m_server, error);
        if (!admin || !admin->ExecuteScript("CREATE SCHEMA " + m_schema)) {
            ADD_FAILURE() << "cannot make a test schema: " << error;
            m_server.clear();
            return;
        }
        m_target = m_server + " options='-c search_path=" + m_schema + "'";
    }
    ~CTestDatabase() {
        if (!m_schema.empty()) {
            std::string error;
            auto admin = service::OpenSqlConnection(service::SqlDialect::Postgres, m_server, error);
            if (admin) {
                admin->ExecuteScript("DROP SCHEMA " + m_schema + " CASCADE");
            }
        }
    }
    CTestDatabase(const CTestDatabase&) = delete;
    CTestDatabase& operator=(const CTestDatabase&) = delete;

    bool Available() const { return !m_target.empty(); }
    service::SqlDialect Dialect() const {
        return m_backend == Backend::Sqlite ? service::SqlDialect::Sqlite
                                            : service::SqlDialect::Postgres;
    }
    // What OpenSqlConnection takes; for the program, the --database URL
    // (empty for SQLite, which then lives in --data).
    const std::string& Target() const { return m_target; }

    std::unique_ptr<service::SqlConnection> Open() const {
        std::string error;
        auto db = service::OpenSqlConnection(Dialect(), m_target, error);
        EXPECT_TRUE(db) << error;
        return db;
    }

    std::unique_ptr<service::CDatabasePool> Pool(size_t size = 5) const {
        const service::SqlDialect dialect = Dialect();
        const std::string target = m_target;
        return std::make_unique<service::CDatabasePool>(
            dialect,
            [dialect, target](std::string& error) {
                return service::OpenSqlConnection(dialect, target, error);
            },
            size);
    }

  private:
    Backend m_backend;
    std::string m_server;
    std::string m_schema;
    std::string m_target;
};

struct HttpAnswer {
    int status = 0;
    std::string headers;
    std::string body;
};

// One raw exchange with 127.0.0.1:port: exactly the bytes given go out.
inline HttpAnswer RawExchange(int port, const std::string& request) {
    HttpAnswer answer;
    const int fd = ConnectLoopback(port);
    if (fd < 0) {
        ADD_FAILURE() << "cannot connect to port " << port;
        return answer;
    }
    size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            break;  // the server may answer and close before taking it all
        }
        sent += static_cast<size_t>(n);
    }
    shutdown(fd, SHUT_WR);
    const std::string got = ReadToEnd(fd);
    close(fd);
    const size_t end = got.find("\r\n\r\n");
    if (got.rfind("HTTP/1.", 0) != 0 || end == std::string::npos) {
        return answer;
    }
    answer.status = std::atoi(got.c_str() + 9);
    answer.headers = got.substr(0, end + 2);
    answer.body = got.substr(end + 4);
    return answer;
}

inline HttpAnswer Get(int port, const std::string& target, const std::string& extraHeaders = {}) {
    return RawExchange(
        port, "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" + extraHeaders + "\r\n");
}

class CServiceHarness {
  public:
    explicit CServiceHarness(Backend backend) : database(backend) {
        config.versionLatest = "2.3.0";
        config.requestTimeout = 2;
        config.maxRequestBytes = 128 * 1024;
    }
    ~CServiceHarness() { Stop(); }

    bool Available() const { return database.Available(); }

    // Migrates, then serves on a free port; positions: the reader to plug in.
    bool Start(service::PositionReader positions = {}) {
        pool = database.Pool();
        std::string error;
        {
            auto db = pool->Acquire(std::chrono::seconds(5), error);
            if (!db || !service::MigrateSchema(*db, service::kSchemaVersion, error)) {
                ADD_FAILURE() << error;
                return false;
            }
        }
        store = std::make_unique<service::CMessageStore>(*pool, std::move(positions));
        routes = std::make_unique<service::CServiceRoutes>(*store, config, metrics, log,
                                                           [this] { return now.load(); });
        service::CHttpServer::Options http;
        http.port = 0;
        http.threads = 4;
        http.maxBodyBytes = config.maxRequestBytes;
        http.idleTimeoutSeconds = config.requestTimeout;
        server = std::make_unique<service::CHttpServer>(
            http, [this](const service::HttpRequest& r) { return routes->Handle(r); });
        if (!server->Start(error)) {
            ADD_FAILURE() << error;
            return false;
        }
        return true;
    }
    void Stop() {
        if (server) {
            server->Stop();
        }
    }

    int Port() const { return server->Port(); }
    std::u16string Host() const {
        const std::string host = "127.0.0.1:" + std::to_string(Port());
        return std::u16string(host.begin(), host.end());
    }

    service::ReceiverRecord AddReceiver(const std::string& name,
                                        std::optional<int> navArea = std::nullopt) {
        service::ReceiverRecord made;
        std::string error;
        EXPECT_TRUE(
            store->AddReceiver({name, std::nullopt, std::nullopt, navArea}, now, made, error))
            << error;
        return made;
    }

    service::MessageDetail Message(int64_t id) {
        service::MessageDetail detail;
        bool found = false;
        std::string error;
        EXPECT_TRUE(store->GetMessage(id, detail, found, error)) << error;
        EXPECT_TRUE(found) << "message " << id;
        return detail;
    }

    service::StoreCounts Counts() {
        service::StoreCounts counts;
        std::string error;
        EXPECT_TRUE(store->Counts(counts, error)) << error;
        return counts;
    }

    ScopedTempDir dir;
    CTestDatabase database;
    service::ServiceConfig config;
    std::atomic<int64_t> now{1'800'000'000};  // 2027-01-15
    service::CServiceMetrics metrics;
    service::CServiceLog log{nullptr};
    std::unique_ptr<service::CDatabasePool> pool;
    std::unique_ptr<service::CMessageStore> store;
    std::unique_ptr<service::CServiceRoutes> routes;
    std::unique_ptr<service::CHttpServer> server;
};

}  // namespace wavelore::test
