#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "service/service_log.h"

namespace wavelore::service {

// How the service runs. Defaults, then the configuration file, then
// WAVELORE_SERVICE_<KEY> environment variables, then the command line: each
// later source overrides the earlier ones. The keys are the names in
// kConfigKeys (file) and their upper-case forms (environment).
struct ServiceConfig {
    std::string listen = "127.0.0.1:8080";  // ADDRESS:PORT, [IPv6]:PORT
    std::string data = ".";                 // folder of the SQLite file
    std::string database;                   // PostgreSQL URL; empty: SQLite in data
    int threads = 4;                        // request threads (and connections)
    size_t maxRequestBytes = 256 * 1024;    // a request body larger is refused
    int requestTimeout = 30;                // seconds a connection may sit idle
    int maxConnections = 1000;
    int connectionsPerIp = 0;  // 0: no limit (behind a load balancer all share one)
    bool signUp = false;       // the sign-up page makes receivers
    int signUpsPerHour = 20;   // across all processes
    std::string versionLatest = "2.1.2";
    std::string versionUpgradeText = "Wavelore %s is available. Open the download page?";
    std::string versionNotice;  // said to up-to-date receivers at start, if set
    std::string downloadUrl;    // where the download page sends receivers
    std::string publicUrl;      // e.g. https://navtex.example.org, for feed links
    std::string siteTitle = "Wavelore collection service";
    bool logRequests = false;
    CServiceLog::Level logLevel = CServiceLog::Level::Info;

    // The SQLite file used when no database URL is given.
    std::string SqlitePath() const;
};

// "key = value" per line, "#" starts a comment line, a value may be in
// double quotes. An unknown key or a bad value is an error naming its line.
bool LoadConfigFile(const std::string& path, ServiceConfig& config, std::string& error);
// WAVELORE_SERVICE_LISTEN, WAVELORE_SERVICE_DATABASE, ... read through
// getenv (null for unset).
bool ApplyConfigEnvironment(const std::function<const char*(const char*)>& getenv,
                            ServiceConfig& config, std::string& error);
// One setting by its key.
bool SetConfigValue(ServiceConfig& config, std::string_view key, std::string_view value,
                    std::string& error);

struct ListenAddress {
    std::string host;  // IPv4 or IPv6 literal, without brackets
    int port = 0;      // 0: any free port
    bool ipv6 = false;
};
// "127.0.0.1:8080", "0.0.0.0:80", "[::1]:8080", "[::]:0".
bool ParseListenAddress(std::string_view text, ListenAddress& out);

}  // namespace wavelore::service
