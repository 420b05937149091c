#include "service/service_metrics.h"

#include <charconv>
#include <string_view>

namespace wavelore::service {

namespace {

constexpr std::array<std::string_view, static_cast<size_t>(CServiceMetrics::Upload::kCount)>
    kUploadNames = {"new_message", "merged", "duplicate", "unknown_id", "bad_request", "failed"};
constexpr std::array<std::string_view, static_cast<size_t>(CServiceMetrics::Route::kCount)>
    kRouteNames = {"upload", "page", "api", "feed", "other"};

std::string Number(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

void Header(std::string& out, std::string_view name, std::string_view type, std::string_view help) {
    out.append("# HELP ").append(name).append(" ").append(help).append("\n");
    out.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

}  // namespace

void CServiceMetrics::ObserveRequest(Route route, int status, double seconds) {
    const size_t r = static_cast<size_t>(route);
    const int statusClass = status / 100;
    if (statusClass >= 1 && statusClass <= 5) {
        ++m_requests[r][static_cast<size_t>(statusClass - 1)];
    }
    Histogram& h = m_latency[r];
    size_t bucket = 0;
    while (bucket < kBuckets.size() && seconds > kBuckets[bucket]) {
        ++bucket;
    }
    ++h.buckets[bucket];
    ++h.count;
    h.sumMicroseconds += static_cast<uint64_t>(seconds > 0 ? seconds * 1e6 : 0);
}

std::string CServiceMetrics::Render() const {
    std::string out;
    Header(out, "wavelore_uploads_total", "counter",
           "Message uploads by outcome (new_message, merged into a known one, duplicate of a "
           "stored reception, unknown_id, bad_request, failed).");
    for (size_t i = 0; i < kUploadNames.size(); ++i) {
        out.append("wavelore_uploads_total{outcome=\"")
            .append(kUploadNames[i])
            .append("\"} ")
            .append(std::to_string(m_uploads[i].load()))
            .append("\n");
    }
    Header(out, "wavelore_merges_total", "counter",
           "Receptions merged into a message another reception created.");
    out.append("wavelore_merges_total ")
        .append(std::to_string(m_uploads[static_cast<size_t>(Upload::Merged)].load()))
        .append("\n");
    Header(out, "wavelore_upload_id_tests_total", "counter", "Upload ID tests by result.");
    out.append("wavelore_upload_id_tests_total{known=\"false\"} ")
        .append(std::to_string(m_idTests[0].load()))
        .append("\nwavelore_upload_id_tests_total{known=\"true\"} ")
        .append(std::to_string(m_idTests[1].load()))
        .append("\n");
    Header(out, "wavelore_version_checks_total", "counter", "Version checks answered.");
    out.append("wavelore_version_checks_total ")
        .append(std::to_string(m_versionChecks.load()))
        .append("\n");
    Header(out, "wavelore_signups_total", "counter", "Receivers made on the sign-up page.");
    out.append("wavelore_signups_total ").append(std::to_string(m_signUps.load())).append("\n");
    Header(out, "wavelore_database_errors_total", "counter",
           "Requests that failed because the database did.");
    out.append("wavelore_database_errors_total ")
        .append(std::to_string(m_databaseErrors.load()))
        .append("\n");

    Header(out, "wavelore_http_requests_total", "counter", "HTTP requests by route and status.");
    for (size_t r = 0; r < kRouteNames.size(); ++r) {
        for (size_t c = 0; c < 5; ++c) {
            const uint64_t n = m_requests[r][c].load();
            if (n == 0) {
                continue;
            }
            out.append("wavelore_http_requests_total{route=\"")
                .append(kRouteNames[r])
                .append("\",code=\"")
                .append(std::to_string(c + 1))
                .append("xx\"} ")
                .append(std::to_string(n))
                .append("\n");
        }
    }
    Header(out, "wavelore_http_request_duration_seconds", "histogram",
           "Time from a request's arrival to its answer, by route.");
    for (size_t r = 0; r < kRouteNames.size(); ++r) {
        const Histogram& h = m_latency[r];
        const std::string label = std::string("route=\"") + std::string(kRouteNames[r]) + "\"";
        uint64_t cumulative = 0;
        for (size_t b = 0; b <= kBuckets.size(); ++b) {
            cumulative += h.buckets[b].load();
            const std::string le = b < kBuckets.size() ? Number(kBuckets[b]) : "+Inf";
            out.append("wavelore_http_request_duration_seconds_bucket{")
                .append(label)
                .append(",le=\"")
                .append(le)
                .append("\"} ")
                .append(std::to_string(cumulative))
                .append("\n");
        }
        out.append("wavelore_http_request_duration_seconds_sum{")
            .append(label)
            .append("} ")
            .append(Number(static_cast<double>(h.sumMicroseconds.load()) / 1e6))
            .append("\nwavelore_http_request_duration_seconds_count{")
            .append(label)
            .append("} ")
            .append(std::to_string(h.count.load()))
            .append("\n");
    }
    return out;
}

void NoteDatabaseError(CServiceMetrics& metrics, CServiceLog& log, std::string_view during,
                       std::string_view error) {
    metrics.CountDatabaseError();
    log.Write(CServiceLog::Level::Error, "database_error", {{"during", during}, {"error", error}});
}

}  // namespace wavelore::service
