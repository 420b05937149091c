#include "service/query_parameters.h"

#include <charconv>

#include "common/utf.h"
#include "service/message_names.h"
#include "service/service_time.h"

namespace wavelore::service {

namespace {

constexpr size_t kMaxSearchCharacters = 200;

// An empty parameter does not filter.
bool Letter(const std::string& text, std::string& out) {
    out.clear();
    return text.empty() || ReadHeaderLetter(text, out);
}

bool Number(const std::string& text, int64_t low, int64_t high, int64_t& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= low && out <= high;
}

}  // namespace

bool ReadMessageQuery(const HttpRequest& request, MessageQuery& query, std::string& problem) {
    int64_t n = 0;
    if (const std::string area = request.Query("navarea"); !area.empty()) {
        if (!Number(area, 1, 21, n)) {
            problem = "navarea is a number from 1 to 21";
            return false;
        }
        query.navArea = static_cast<int>(n);
    }
    if (!Letter(request.Query("station"), query.station)) {
        problem = "station is one letter A-Z";
        return false;
    }
    if (!Letter(request.Query("subject"), query.subject)) {
        problem = "subject is one letter A-Z";
        return false;
    }
    for (const char* name : {"since", "until"}) {
        const std::string text = request.Query(name);
        if (text.empty()) {
            continue;
        }
        const auto t = ParseTimeParameter(text);
        if (!t) {
            problem =
                std::string(name) + " is a date (YYYY-MM-DD) or time (YYYY-MM-DDTHH:MM) in UTC";
            return false;
        }
        (std::string_view(name) == "since" ? query.since : query.until) = *t;
    }
    query.text = request.Query("q");
    if (FromUtf8(query.text).size() > kMaxSearchCharacters) {
        problem = "q has at most 200 characters";
        return false;
    }
    if (const std::string before = request.Query("before"); !before.empty()) {
        if (!Number(before, 1, INT64_MAX, n)) {
            problem = "before is a message number";
            return false;
        }
        query.beforeId = n;
    }
    if (const std::string limit = request.Query("limit"); !limit.empty()) {
        if (!Number(limit, 1, MessageQuery::kMaxLimit, n)) {
            problem = "limit is a number from 1 to 200";
            return false;
        }
        query.limit = static_cast<int>(n);
    }
    return true;
}

std::string UrlEncode(std::string_view text) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

std::string MessageQueryString(const MessageQuery& query, std::optional<int64_t> before) {
    std::string out;
    const auto add = [&out](std::string_view name, std::string_view value) {
        out += out.empty() ? '?' : '&';
        out.append(name).append("=").append(UrlEncode(value));
    };
    if (query.navArea) {
        add("navarea", std::to_string(*query.navArea));
    }
    if (!query.station.empty()) {
        add("station", query.station);
    }
    if (!query.subject.empty()) {
        add("subject", query.subject);
    }
    if (query.since) {
        add("since", IsoTime(*query.since));
    }
    if (query.until) {
        add("until", IsoTime(*query.until));
    }
    if (!query.text.empty()) {
        add("q", query.text);
    }
    if (before) {
        add("before", std::to_string(*before));
    }
    return out;
}

}  // namespace wavelore::service
