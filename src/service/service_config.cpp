#include "service/service_config.h"

#include <arpa/inet.h>

#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace wavelore::service {

namespace {

constexpr std::array<std::string_view, 18> kConfigKeys = {"listen",
                                                          "data",
                                                          "database",
                                                          "threads",
                                                          "max_request_bytes",
                                                          "request_timeout",
                                                          "max_connections",
                                                          "connections_per_ip",
                                                          "signup",
                                                          "signups_per_hour",
                                                          "version_latest",
                                                          "version_upgrade_text",
                                                          "version_notice",
                                                          "download_url",
                                                          "public_url",
                                                          "site_title",
                                                          "log_requests",
                                                          "log_level"};

bool ParseInt(std::string_view text, long long low, long long high, long long& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

bool ParseBool(std::string_view text, bool& out) {
    if (text == "true" || text == "yes" || text == "on" || text == "1") {
        out = true;
        return true;
    }
    if (text == "false" || text == "no" || text == "off" || text == "0") {
        out = false;
        return true;
    }
    return false;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool IsHttpUrl(std::string_view url) {
    if (!(url.starts_with("http://") || url.starts_with("https://"))) {
        return false;
    }
    for (char c : url) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 32 || u >= 127 || c == '"' || c == '<' || c == '>' || c == '\\') {
            return false;
        }
    }
    return url.size() > 8;
}

bool IsPrintableLine(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 32) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ServiceConfig::SqlitePath() const {
    return (std::filesystem::path(data) / "wavelore-service.sqlite").string();
}

bool ParseListenAddress(std::string_view text, ListenAddress& out) {
    ListenAddress parsed;
    std::string_view host;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos || text.substr(close + 1, 1) != ":") {
            return false;
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        parsed.ipv6 = true;
    } else {
        const size_t colon = text.rfind(':');
        if (colon == std::string_view::npos) {
            return false;
        }
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    long long number = 0;
    if (!ParseInt(port, 0, 65535, number)) {
        return false;
    }
    parsed.host = std::string(host);
    parsed.port = static_cast<int>(number);
    unsigned char buffer[16];
    if (inet_pton(parsed.ipv6 ? AF_INET6 : AF_INET, parsed.host.c_str(), buffer) != 1) {
        return false;
    }
    out = parsed;
    return true;
}

bool SetConfigValue(ServiceConfig& c, std::string_view key, std::string_view value,
                    std::string& error) {
    const auto bad = [&](std::string_view what) {
        error = std::string(key) + ": " + std::string(what);
        return false;
    };
    long long n = 0;
    if (key == "listen") {
        ListenAddress address;
        if (!ParseListenAddress(value, address)) {
            return bad("give ADDRESS:PORT, e.g. 127.0.0.1:8080 or [::]:8080");
        }
        c.listen = value;
    } else if (key == "data") {
        if (value.empty()) {
            return bad("give a folder");
        }
        c.data = value;
    } else if (key == "database") {
        c.database = value;
    } else if (key == "threads") {
        if (!ParseInt(value, 1, 256, n)) {
            return bad("give 1 to 256");
        }
        c.threads = static_cast<int>(n);
    } else if (key == "max_request_bytes") {
        if (!ParseInt(value, 4096, 64 << 20, n)) {
            return bad("give 4096 to 67108864");
        }
        c.maxRequestBytes = static_cast<size_t>(n);
    } else if (key == "request_timeout") {
        if (!ParseInt(value, 1, 3600, n)) {
            return bad("give 1 to 3600 seconds");
        }
        c.requestTimeout = static_cast<int>(n);
    } else if (key == "max_connections") {
        if (!ParseInt(value, 1, 100000, n)) {
            return bad("give 1 to 100000");
        }
        c.maxConnections = static_cast<int>(n);
    } else if (key == "connections_per_ip") {
        if (!ParseInt(value, 0, 100000, n)) {
            return bad("give 0 (no limit) to 100000");
        }
        c.connectionsPerIp = static_cast<int>(n);
    } else if (key == "signup") {
        if (!ParseBool(value, c.signUp)) {
            return bad("give true or false");
        }
    } else if (key == "signups_per_hour") {
        if (!ParseInt(value, 0, 100000, n)) {
            return bad("give 0 to 100000");
        }
        c.signUpsPerHour = static_cast<int>(n);
    } else if (key == "version_latest") {
        if (value.empty() || value.size() > 32 || !IsPrintableLine(value)) {
            return bad("give a version such as 2.1.2");
        }
        c.versionLatest = value;
    } else if (key == "version_upgrade_text") {
        if (!IsPrintableLine(value)) {
            return bad("give one line of text");
        }
        c.versionUpgradeText = value;
    } else if (key == "version_notice") {
        if (!IsPrintableLine(value)) {
            return bad("give one line of text");
        }
        c.versionNotice = value;
    } else if (key == "download_url" || key == "public_url") {
        if (!value.empty() && !IsHttpUrl(value)) {
            return bad("give an http:// or https:// address");
        }
        (key == "download_url" ? c.downloadUrl : c.publicUrl) = value;
        if (key == "public_url" && !c.publicUrl.empty() && c.publicUrl.back() == '/') {
            c.publicUrl.pop_back();
        }
    } else if (key == "site_title") {
        if (value.empty() || !IsPrintableLine(value)) {
            return bad("give one line of text");
        }
        c.siteTitle = value;
    } else if (key == "log_requests") {
        if (!ParseBool(value, c.logRequests)) {
            return bad("give true or false");
        }
    } else if (key == "log_level") {
        if (!CServiceLog::ParseLevel(value, c.logLevel)) {
            return bad("give debug, info, warning or error");
        }
    } else {
        error = "unknown setting \"" + std::string(key) + "\"";
        return false;
    }
    return true;
}

bool LoadConfigFile(const std::string& path, ServiceConfig& config, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the configuration file " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string_view text = Trim(line);
        if (text.empty() || text.front() == '#') {
            continue;
        }
        const size_t eq = text.find('=');
        if (eq == std::string_view::npos) {
            error = path + ":" + std::to_string(number) + ": expected key = value";
            return false;
        }
        const std::string_view key = Trim(text.substr(0, eq));
        std::string_view value = Trim(text.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        std::string problem;
        if (!SetConfigValue(config, key, value, problem)) {
            error = path + ":" + std::to_string(number) + ": " + problem;
            return false;
        }
    }
    return true;
}

bool ApplyConfigEnvironment(const std::function<const char*(const char*)>& getenv,
                            ServiceConfig& config, std::string& error) {
    for (std::string_view key : kConfigKeys) {
        std::string name = "WAVELORE_SERVICE_";
        for (char c : key) {
            name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
        const char* value = getenv(name.c_str());
        if (value == nullptr) {
            continue;
        }
        std::string problem;
        if (!SetConfigValue(config, key, value, problem)) {
            error = name + ": " + problem;
            return false;
        }
    }
    return true;
}

}  // namespace wavelore::service
