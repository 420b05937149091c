#include "service/service_routes.h"

#include <algorithm>
#include <chrono>

#include "common/utf.h"
#include "net/upload_request.h"
#include "service/html_page.h"
#include "service/input_text.h"
#include "service/json_writer.h"
#include "service/schema_migrations.h"

namespace wavelore::service {

namespace {

bool IsHostHeader(std::string_view host) {
    return !host.empty() && host.size() <= 255 && std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
    });
}

HttpResponse MethodNotAllowed(std::string_view allow) {
    HttpResponse r{405, "text/plain; charset=utf-8", "ERROR: method not allowed here", {}};
    r.headers.emplace_back("Allow", std::string(allow));
    return r;
}

bool IsRead(const HttpRequest& r) {
    return r.method == "GET" || r.method == "HEAD";
}

}  // namespace

CServiceRoutes::CServiceRoutes(CMessageStore& store, const ServiceConfig& config,
                               CServiceMetrics& metrics, CServiceLog& log, SecondsClock clock)
    : m_store(store),
      m_config(config),
      m_metrics(metrics),
      m_log(log),
      m_upload(store,
               VersionPolicy{config.versionLatest, config.versionUpgradeText, config.versionNotice},
               metrics, log, clock),
      m_pages(store, config, metrics, log, clock),
      m_api(store, metrics, log),
      m_feed(store, config.siteTitle, metrics, log) {}

std::string CServiceRoutes::BaseUrl(const HttpRequest& request) const {
    if (!m_config.publicUrl.empty()) {
        return m_config.publicUrl;
    }
    const std::string host = request.Header("Host");
    return IsHostHeader(host) ? "http://" + host : std::string("http://localhost");
}

HttpResponse CServiceRoutes::Health() {
    std::string error;
    CJsonWriter j;
    j.BeginObject();
    if (!m_store.Ping(error)) {
        m_log.Write(CServiceLog::Level::Warning, "health",
                    {{"status", "unavailable"}, {"error", std::string_view(error)}});
        j.Key("status").String("unavailable").EndObject();
        return HttpResponse{503, "application/json", j.Text() + "\n", {}};
    }
    j.Key("status").String("ok");
    j.Key("database").String(m_store.Dialect() == SqlDialect::Postgres ? "postgresql" : "sqlite");
    j.Key("schema").Int(kSchemaVersion);
    j.EndObject();
    return HttpResponse{200, "application/json", j.Text() + "\n", {}};
}

HttpResponse CServiceRoutes::Route(const HttpRequest& request, CServiceMetrics::Route& route) {
    const std::string& path = request.path;
    route = CServiceMetrics::Route::Page;
    if (path == ToUtf8(kUploadPath)) {
        route = CServiceMetrics::Route::Upload;
        if (request.method != "POST") {
            return MethodNotAllowed("POST");
        }
        const ServiceReply reply = m_upload.Handle(request.Header("Content-Type"), request.body);
        return HttpResponse{reply.status, "text/plain; charset=utf-8", reply.body, {}};
    }
    if (path == "/cgi-bin/navtex/register.cgi") {
        if (!IsRead(request) && request.method != "POST") {
            return MethodNotAllowed("GET, HEAD, POST");
        }
        return m_pages.SignUp(request);
    }
    if (!IsRead(request)) {
        route = CServiceMetrics::Route::Other;
        return MethodNotAllowed("GET, HEAD");
    }
    if (path == "/") {
        return m_pages.Latest(request);
    }
    if (const auto id = PathNumber(path, "/message/")) {
        return m_pages.Message(*id);
    }
    if (path == "/receivers") {
        return m_pages.Receivers();
    }
    if (const auto id = PathNumber(path, "/receiver/")) {
        return m_pages.Receiver(*id, request);
    }
    if (path == "/navtex/" || path == "/navtex") {
        return m_pages.Download();
    }
    if (path == "/feed.atom") {
        route = CServiceMetrics::Route::Feed;
        return m_feed.Handle(request, BaseUrl(request));
    }
    if (path == "/api" || path.starts_with("/api/")) {
        route = CServiceMetrics::Route::Api;
        return m_api.Handle(request);
    }
    route = CServiceMetrics::Route::Other;
    if (path == "/health") {
        return Health();
    }
    if (path == "/metrics") {
        return HttpResponse{
            200, "text/plain; version=0.0.4; charset=utf-8", m_metrics.Render(), {}};
    }
    if (path == "/style.css") {
        HttpResponse r{200, "text/css; charset=utf-8", std::string(ServiceStyleSheet()), {}};
        r.headers.emplace_back("Cache-Control", "max-age=86400");
        return r;
    }
    return m_pages.NotFound();
}

HttpResponse CServiceRoutes::Handle(const HttpRequest& raw) {
    const auto start = std::chrono::steady_clock::now();
    HttpRequest request;
    request.method = raw.method;
    request.version = raw.version;
    request.path = CleanInputText(raw.path);
    for (const auto& [key, value] : raw.query) {
        request.query.emplace_back(CleanInputText(key), CleanInputText(value));
    }
    request.headers = raw.headers;
    request.body = raw.body;

    CServiceMetrics::Route route = CServiceMetrics::Route::Other;
    HttpResponse response = Route(request, route);
    response.headers.emplace_back("X-Content-Type-Options", "nosniff");
    if (response.contentType.starts_with("text/html")) {
        response.headers.emplace_back(
            "Content-Security-Policy",
            "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
            "base-uri 'none'; frame-ancestors 'none'");
        response.headers.emplace_back("Referrer-Policy", "same-origin");
        response.headers.emplace_back("X-Frame-Options", "DENY");
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m_metrics.ObserveRequest(route, response.status, seconds);
    if (m_config.logRequests) {
        m_log.Write(CServiceLog::Level::Info, "request",
                    {{"method", std::string_view(request.method)},
                     {"path", std::string_view(request.path)},
                     {"status", static_cast<int64_t>(response.status)},
                     {"ms", seconds * 1000.0}});
    }
    return response;
}

}  // namespace wavelore::service
