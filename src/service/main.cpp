// wavelore-service: the collection service the receivers upload to.
#include <poll.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "service/http_server.h"
#include "service/message_store.h"
#include "service/receiver_rules.h"
#include "service/schema_migrations.h"
#include "service/service_config.h"
#include "service/service_log.h"
#include "service/service_metrics.h"
#include "service/service_routes.h"
#include "service/service_setup.h"
#include "service/service_time.h"
#include "system/termination_signals.h"

namespace {

using namespace wavelore;
using namespace wavelore::service;

constexpr const char* kProgram = "wavelore-service";
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Options {
    std::string configFile;
    std::string data;
    std::string database;
    std::string listen;
    // add-receiver
    std::string name;
    std::string position;
    int navArea = 0;
    // migrate
    int migrateTo = kSchemaVersion;
};

int Fail(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
    return kExitFailure;
}

int Usage(std::string text) {
    for (char& c : text) {
        if (c == '\n') {
            c = ' ';
        }
    }
    std::fprintf(stderr, "%s: %s (see %s --help)\n", kProgram, text.c_str(), kProgram);
    return kExitUsage;
}

// Defaults, the file, the environment, the command line: later wins.
bool BuildConfig(const Options& options, ServiceConfig& config, std::string& error) {
    if (!options.configFile.empty() && !LoadConfigFile(options.configFile, config, error)) {
        return false;
    }
    if (!ApplyConfigEnvironment([](const char* name) { return std::getenv(name); }, config,
                                error)) {
        return false;
    }
    const std::pair<const char*, const std::string*> given[] = {
        {"data", &options.data}, {"database", &options.database}, {"listen", &options.listen}};
    for (const auto& [key, value] : given) {
        if (!value->empty() && !SetConfigValue(config, key, *value, error)) {
            error = "--" + error;
            return false;
        }
    }
    return true;
}

int AddReceiver(const ServiceConfig& config, const Options& options) {
    std::string problem;
    if (!CheckReceiverName(options.name, problem)) {
        return Usage(problem);
    }
    NewReceiver receiver;
    receiver.name = options.name;
    if (!options.position.empty()) {
        double lat = 0;
        double lon = 0;
        if (!ParsePosition(options.position, lat, lon)) {
            return Usage("--position is LAT,LON in decimal degrees, e.g. 50.59,-1.25");
        }
        receiver.latitude = lat;
        receiver.longitude = lon;
        receiver.navArea = NavAreaNear(lat, lon);
    }
    if (options.navArea != 0) {
        receiver.navArea = options.navArea;
    }
    std::string error;
    auto pool = OpenMigratedDatabase(config, error);
    if (!pool) {
        return Fail(error);
    }
    CMessageStore store(*pool);
    ReceiverRecord made;
    if (!store.AddReceiver(receiver, SystemSeconds(), made, error)) {
        return Fail(error);
    }
    std::printf("%s\n", made.uploadId.c_str());
    std::fprintf(stderr,
                 "%s: receiver %lld \"%s\" added (NAVAREA %s); enter the upload ID above "
                 "in its upload ID dialog\n",
                 kProgram, static_cast<long long>(made.id), made.name.c_str(),
                 made.navArea ? std::to_string(*made.navArea).c_str() : "as uploaded");
    return 0;
}

int ListReceivers(const ServiceConfig& config) {
    std::string error;
    auto pool = OpenMigratedDatabase(config, error);
    if (!pool) {
        return Fail(error);
    }
    CMessageStore store(*pool);
    std::vector<ReceiverRecord> receivers;
    if (!store.ListReceivers(receivers, error)) {
        return Fail(error);
    }
    for (const ReceiverRecord& r : receivers) {
        std::printf("%lld\t%s\t%s\t%s\n", static_cast<long long>(r.id), r.uploadId.c_str(),
                    r.lastSeen ? IsoTime(*r.lastSeen).c_str() : "never", r.name.c_str());
    }
    return 0;
}

int Migrate(const ServiceConfig& config, int target) {
    std::string error;
    auto pool = OpenDatabasePool(config, error);
    if (!pool) {
        return Fail(error);
    }
    auto db = pool->Acquire(CDatabasePool::kNoWait, error);
    int from = 0;
    if (!db || !MigrateSchema(*db, target, error, &from)) {
        return Fail(error);
    }
    std::fprintf(stderr, "%s: schema version %d%s\n", kProgram, std::max(from, target),
                 from >= target ? " (nothing to do)" : "");
    return 0;
}

// After an upgrade of the reader, or for messages stored before it: every
// stored message's positions read again.
int ReadPositionsAgain(const ServiceConfig& config) {
    std::string error;
    auto pool = OpenMigratedDatabase(config, error);
    if (!pool) {
        return Fail(error);
    }
    CMessageStore store(*pool, WarningPositionReader());
    int64_t count = 0;
    if (!store.ReadAllPositions(count, error)) {
        return Fail(error);
    }
    std::fprintf(stderr, "%s: positions read again from %lld messages\n", kProgram,
                 static_cast<long long>(count));
    return 0;
}

int Serve(const ServiceConfig& config) {
    CServiceLog log(stderr, config.logLevel);
    ListenAddress address;
    ParseListenAddress(config.listen, address);  // checked when the setting was read
    std::string error;
    auto pool = OpenMigratedDatabase(config, error);
    if (!pool) {
        log.Write(CServiceLog::Level::Error, "start_failed", {{"error", std::string_view(error)}});
        return kExitFailure;
    }
    CMessageStore store(*pool, WarningPositionReader());
    CServiceMetrics metrics;
    CServiceRoutes routes(store, config, metrics, log, SystemSeconds);
    CHttpServer::Options http;
    http.address = address.host;
    http.ipv6 = address.ipv6;
    http.port = address.port;
    http.threads = config.threads;
    http.maxBodyBytes = config.maxRequestBytes;
    http.idleTimeoutSeconds = config.requestTimeout;
    http.maxConnections = config.maxConnections;
    http.connectionsPerIp = config.connectionsPerIp;
    CHttpServer server(http, [&routes](const HttpRequest& r) { return routes.Handle(r); });

    CTerminationSignals signals;
    if (!server.Start(error)) {
        log.Write(CServiceLog::Level::Error, "start_failed", {{"error", std::string_view(error)}});
        return kExitFailure;
    }
    const std::string database = config.database.empty() ? config.SqlitePath() : "postgresql";
    log.Write(CServiceLog::Level::Info, "started",
              {{"address", std::string_view(address.host)},
               {"port", static_cast<int64_t>(server.Port())},
               {"database", std::string_view(database)},
               {"threads", static_cast<int64_t>(config.threads)},
               {"signup", config.signUp}});
    for (;;) {
        pollfd fd{signals.ReadFd(), POLLIN, 0};
        if (!signals.Installed()) {
            pause();
            continue;
        }
        if (poll(&fd, 1, -1) <= 0) {
            continue;
        }
        const int sig = signals.TakeSignal();
        if (sig == SIGHUP) {
            log.Write(CServiceLog::Level::Info, "signal",
                      {{"signal", "SIGHUP"}, {"action", "none; restart to read the settings"}});
            continue;
        }
        if (sig != 0) {
            break;
        }
    }
    server.Stop();
    log.Write(CServiceLog::Level::Info, "stopped", {});
    return 0;
}

int Run(int argc, char** argv) {
    // A PostgreSQL server that cannot be reached fails a connection in
    // seconds, not after the system's TCP time-out; the URL or the
    // environment may say otherwise.
    setenv("PGCONNECT_TIMEOUT", "10", 0);
    Options options;
    CLI::App app{
        "Wavelore collection service: receives the messages NAVTEX receivers upload, "
        "merges what several receivers heard, and serves them as web pages, JSON and "
        "Atom feeds.",
        kProgram};
    app.footer(
        "Without a command the service runs (serve). Settings come from the file given with\n"
        "--config (key = value lines), then WAVELORE_SERVICE_<KEY> environment variables, then\n"
        "these options. Without a database URL the messages are kept in an SQLite file in the\n"
        "data folder.");
    app.fallthrough();
    app.require_subcommand(0, 1);
    app.add_option("--config", options.configFile, "Configuration file")->type_name("FILE");
    app.add_option("--data", options.data, "Folder of the SQLite database (default: .)")
        ->type_name("DIR");
    app.add_option("--database", options.database,
                   "PostgreSQL connection URL, e.g. postgresql://user@host/db (default: SQLite)")
        ->type_name("URL");
    app.add_option("--listen", options.listen,
                   "Address and port to serve on (default 127.0.0.1:8080)")
        ->type_name("ADDRESS:PORT");
    CLI::App* serve = app.add_subcommand("serve", "Run the service (the default)");
    CLI::App* add = app.add_subcommand("add-receiver", "Make a receiver and print its upload ID");
    add->add_option("NAME", options.name, "The receiver's name, shown on the pages")->required();
    add->add_option("--position", options.position,
                    "Where it is, in decimal degrees (its NAVAREA follows from it)")
        ->type_name("LAT,LON");
    add->add_option("--navarea", options.navArea,
                    "The NAVAREA whose station letters it hears (default: from the position, "
                    "else as uploaded)")
        ->check(CLI::Range(1, 21));
    CLI::App* list = app.add_subcommand("receivers", "List the receivers with their upload IDs");
    CLI::App* migrate = app.add_subcommand("migrate", "Bring the database's schema up to date");
    migrate->add_option("--to", options.migrateTo, "Schema version to reach")
        ->check(CLI::Range(1, kSchemaVersion));
    CLI::App* positions =
        app.add_subcommand("read-positions", "Read every stored message's positions again");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& e) {
        return Usage(e.what());
    }

    ServiceConfig config;
    std::string error;
    if (!BuildConfig(options, config, error)) {
        return Usage(error);
    }
    if (add->parsed()) {
        return AddReceiver(config, options);
    }
    if (list->parsed()) {
        return ListReceivers(config);
    }
    if (migrate->parsed()) {
        return Migrate(config, options.migrateTo);
    }
    if (positions->parsed()) {
        return ReadPositionsAgain(config);
    }
    (void)serve;
    return Serve(config);
}

}  // namespace

int main(int argc, char** argv) {
    // CLI11 reports through exceptions, also while the options are declared.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        return Usage(e.what());
    } catch (...) {
        return Usage("cannot parse the command line");
    }
}
