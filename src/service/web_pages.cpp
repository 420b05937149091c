#include "service/web_pages.h"

#include <cmath>
#include <cstdio>

#include "app/subject_table.h"
#include "common/utf.h"
#include "service/form_values.h"
#include "service/html_page.h"
#include "service/input_text.h"
#include "service/message_names.h"
#include "service/query_parameters.h"
#include "service/receiver_rules.h"

namespace wavelore::service {

namespace {

constexpr int kReceptionsPerPage = 50;

std::string Escaped(std::string_view text) {
    return HtmlEscape(text);
}

// Message text as sent (CR LF line ends) for a <pre>.
std::string ShownText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return HtmlEscape(out);
}

std::string TimeElement(int64_t seconds) {
    return "<time datetime=\"" + IsoTime(seconds) + "\">" + ReadableTime(seconds) + "</time>";
}

std::string StationLabel(int navArea, std::string_view b1) {
    const std::string name = StationName(navArea, b1);
    return name.empty() ? "station " + std::string(b1) : name;
}

bool IsImportantSubject(std::string_view b2) {
    return b2.size() == 1 && SubjectTable::IsImportant(static_cast<char16_t>(b2[0]));
}

std::string Coordinate(double value, bool latitude) {
    const char hemisphere = latitude ? (value < 0 ? 'S' : 'N') : (value < 0 ? 'W' : 'E');
    const double a = std::fabs(value);
    double degrees = std::floor(a);
    double minutes = (a - degrees) * 60.0;
    if (minutes >= 59.95) {
        degrees += 1;
        minutes = 0;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, latitude ? "%02.0f-%04.1f%c" : "%03.0f-%04.1f%c", degrees,
                  minutes, hemisphere);
    return buffer;
}

void MessageItem(CHtmlPage& page, const MessageSummary& m) {
    const std::string identity = Identity(m.b1, m.b2, m.number);
    page.Markup("<li>\n<article aria-labelledby=\"m" + std::to_string(m.id) + "\">\n");
    page.Markup("<h2 id=\"m" + std::to_string(m.id) + "\"><a href=\"/message/" +
                std::to_string(m.id) + "\">")
        .Text(identity)
        .Markup("</a> ")
        .Text(StationLabel(m.navArea, m.b1))
        .Markup("</h2>\n<p class=\"meta\"><span class=\"")
        .Markup(IsImportantSubject(m.b2) ? "subject-important" : "subject")
        .Markup("\">")
        .Text(SubjectName(m.b2))
        .Markup("</span> &middot; NAVAREA " + std::to_string(m.navArea) + " &middot; " +
                TimeElement(m.firstSeen) + " &middot; ")
        .Text(m.receptions == 1 ? std::string("1 reception")
                                : std::to_string(m.receptions) + " receptions")
        .Markup(" &middot; quality " + std::to_string(m.quality) + "%</p>\n");
    std::string excerpt = m.text;
    if (FromUtf8(excerpt).size() >= static_cast<size_t>(CMessageStore::kExcerptLength)) {
        excerpt += " ...";
    }
    page.Markup("<pre class=\"text\">" + ShownText(excerpt) + "</pre>\n</article>\n</li>\n");
}

void Select(CHtmlPage& page, std::string_view id, std::string_view label,
            const std::vector<std::pair<std::string, std::string>>& options,
            std::string_view chosen) {
    page.Markup("<div><label for=\"" + std::string(id) + "\">")
        .Text(label)
        .Markup("</label><select id=\"" + std::string(id) + "\" name=\"" + std::string(id) +
                "\">\n");
    for (const auto& [value, text] : options) {
        page.Markup("<option value=\"" + Escaped(value) + "\"" +
                    (value == chosen ? " selected" : "") + ">")
            .Text(text)
            .Markup("</option>\n");
    }
    page.Markup("</select></div>\n");
}

std::string DateValue(const std::optional<int64_t>& t) {
    return t ? IsoTime(*t).substr(0, 10) : std::string();
}

void FilterForm(CHtmlPage& page, const MessageQuery& q) {
    page.Markup(
        "<form class=\"filters\" role=\"search\" method=\"get\" action=\"/\" "
        "aria-label=\"Find messages\">\n<div class=\"wide\"><label for=\"q\">Search the "
        "texts</label><input id=\"q\" name=\"q\" type=\"search\" maxlength=\"200\" value=\"" +
        Escaped(q.text) + "\"></div>\n");
    std::vector<std::pair<std::string, std::string>> areas = {{"", "Any"}};
    for (int a = 1; a <= 21; ++a) {
        areas.emplace_back(std::to_string(a), std::to_string(a));
    }
    Select(page, "navarea", "NAVAREA", areas, q.navArea ? std::to_string(*q.navArea) : "");
    std::vector<std::pair<std::string, std::string>> stations = {{"", "Any"}};
    std::vector<std::pair<std::string, std::string>> subjects = {{"", "Any"}};
    for (char c = 'A'; c <= 'Z'; ++c) {
        const std::string letter(1, c);
        const std::string name = q.navArea ? StationName(*q.navArea, letter) : std::string();
        stations.emplace_back(letter, name.empty() ? letter : letter + " " + name);
        subjects.emplace_back(letter, letter + " " + SubjectName(letter));
    }
    Select(page, "station", "Station", stations, q.station);
    Select(page, "subject", "Subject", subjects, q.subject);
    page.Markup(
        "<div><label for=\"since\">From (UTC)</label><input id=\"since\" name=\"since\" "
        "type=\"date\" value=\"" +
        DateValue(q.since) +
        "\"></div>\n<div><label for=\"until\">Before (UTC)</label><input id=\"until\" "
        "name=\"until\" type=\"date\" value=\"" +
        DateValue(q.until) +
        "\"></div>\n<div><button type=\"submit\">Show messages</button></div>\n</form>\n");
}

std::string FilterTitle(const MessageQuery& q) {
    if (!q.text.empty()) {
        return "Messages with \"" + q.text + "\"";
    }
    std::string title = "Latest messages";
    if (!q.station.empty() && q.navArea) {
        title += " from " + StationLabel(*q.navArea, q.station);
    } else if (!q.station.empty()) {
        title += " from station " + q.station;
    }
    if (q.navArea) {
        title += " in NAVAREA " + std::to_string(*q.navArea);
    }
    if (!q.subject.empty()) {
        title += ": " + SubjectName(q.subject);
    }
    return title;
}

std::string PositionText(const std::optional<double>& lat, const std::optional<double>& lon) {
    if (!lat || !lon) {
        return "not given";
    }
    return Coordinate(*lat, true) + " " + Coordinate(*lon, false);
}

}  // namespace

CWebPages::CWebPages(CMessageStore& store, const ServiceConfig& config, CServiceMetrics& metrics,
                     CServiceLog& log, SecondsClock clock)
    : m_store(store), m_config(config), m_metrics(metrics), m_log(log), m_clock(std::move(clock)) {}

HttpResponse CWebPages::Page(int status, const CHtmlPage& page) {
    return HttpResponse{status, "text/html; charset=utf-8", page.Render(), {}};
}

HttpResponse CWebPages::Problem(int status, std::string_view title, std::string_view text) {
    CHtmlPage page(m_config.siteTitle, std::string(title));
    page.ShowSignUp(m_config.signUp);
    page.Markup("<h1>")
        .Text(title)
        .Markup("</h1>\n<p>")
        .Text(text)
        .Markup("</p>\n<p><a href=\"/\">Latest messages</a></p>\n");
    return Page(status, page);
}

HttpResponse CWebPages::NotFound() {
    return Problem(404, "Not found", "There is no such page here.");
}

HttpResponse CWebPages::Unavailable(std::string_view during, const std::string& error) {
    NoteDatabaseError(m_metrics, m_log, during, error);
    HttpResponse r = Problem(503, "Not available just now",
                             "The message store does not answer. Please try again shortly.");
    r.headers.emplace_back("Retry-After", "30");
    return r;
}

HttpResponse CWebPages::Latest(const HttpRequest& request) {
    MessageQuery query;
    std::string problem;
    if (!ReadMessageQuery(request, query, problem)) {
        return Problem(400, "Cannot show these messages", problem);
    }
    query.limit = std::min(query.limit, 100);
    std::vector<MessageSummary> messages;
    std::string error;
    if (!m_store.ListMessages(query, messages, error)) {
        return Unavailable("message list", error);
    }
    const std::string title = FilterTitle(query);
    CHtmlPage page(m_config.siteTitle, title);
    page.ShowSignUp(m_config.signUp);
    const std::string filters = MessageQueryString(query);
    page.AddFeed(title, "/feed.atom" + filters);
    page.Markup("<h1>").Text(title).Markup("</h1>\n");
    FilterForm(page, query);
    if (messages.empty()) {
        page.Markup("<p class=\"notice\">No messages")
            .Markup(query.beforeId ? " older than these" : "")
            .Markup(" match.</p>\n");
    } else {
        page.Markup("<ol class=\"messages\" aria-label=\"Messages\">\n");
        for (const MessageSummary& m : messages) {
            MessageItem(page, m);
        }
        page.Markup("</ol>\n");
    }
    page.Markup("<nav class=\"pages\" aria-label=\"More messages\">\n");
    if (static_cast<int>(messages.size()) == query.limit) {
        page.Markup("<a rel=\"next\" href=\"/" +
                    Escaped(MessageQueryString(query, messages.back().id)) +
                    "\">Older messages</a> &middot; ");
    }
    page.Markup("<a href=\"/feed.atom" + Escaped(filters) +
                "\">Atom feed of these messages</a> &middot; <a href=\"/api/messages" +
                Escaped(filters) + "\">as JSON</a>\n</nav>\n");
    return Page(200, page);
}

HttpResponse CWebPages::Message(int64_t id) {
    MessageDetail detail;
    bool found = false;
    std::string error;
    if (!m_store.GetMessage(id, detail, found, error)) {
        return Unavailable("message page", error);
    }
    if (!found) {
        return NotFound();
    }
    const MessageSummary& m = detail.message;
    const std::string identity = Identity(m.b1, m.b2, m.number);
    const std::string station = StationLabel(m.navArea, m.b1);
    CHtmlPage page(m_config.siteTitle, identity + " " + station);
    page.ShowSignUp(m_config.signUp);
    page.Markup("<h1>").Text(identity + " " + station).Markup("</h1>\n<dl class=\"facts\">\n");
    page.Markup("<dt>Subject</dt><dd>").Text(m.b2 + " " + SubjectName(m.b2)).Markup("</dd>\n");
    page.Markup("<dt>Station</dt><dd><a href=\"/?navarea=" + std::to_string(m.navArea) +
                "&amp;station=" + Escaped(m.b1) + "\">")
        .Text(m.b1 + " " + station)
        .Markup("</a>, NAVAREA " + std::to_string(m.navArea) + "</dd>\n");
    page.Markup("<dt>First received</dt><dd>" + TimeElement(m.firstSeen) + "</dd>\n");
    page.Markup("<dt>Last received</dt><dd>" + TimeElement(m.lastSeen) + "</dd>\n");
    page.Markup("<dt>Best quality</dt><dd>" + std::to_string(m.quality) + "%</dd>\n</dl>\n");
    page.Markup("<h2>Text</h2>\n<pre class=\"text\">" + ShownText(m.text) + "</pre>\n");

    if (!detail.positions.empty()) {
        page.Markup(
            "<h2>Positions</h2>\n<div class=\"table-wrap\" role=\"region\" "
            "aria-label=\"Positions\" tabindex=\"0\">\n<table>\n<thead><tr><th scope=\"col\">"
            "Kind</th><th scope=\"col\">Positions</th></tr></thead>\n<tbody>\n");
        for (const MessageGeometry& g : detail.positions) {
            std::string points;
            for (const GeoPoint& p : g.points) {
                points += (points.empty() ? "" : ", ") + Coordinate(p.latitude, true) + " " +
                          Coordinate(p.longitude, false);
            }
            if (g.kind == MessageGeometry::Kind::Circle) {
                char radius[32];
                std::snprintf(radius, sizeof radius, ", radius %.1f NM", g.radiusNm);
                points += radius;
            }
            std::string kind(GeometryKindName(g.kind));
            kind[0] = static_cast<char>(kind[0] - 'a' + 'A');
            page.Markup("<tr><td>")
                .Text(kind)
                .Markup("</td><td>")
                .Text(points)
                .Markup("</td></tr>\n");
        }
        page.Markup("</tbody>\n</table>\n</div>\n");
    }

    page.Markup(
        "<h2>Receptions</h2>\n<div class=\"table-wrap\" role=\"region\" "
        "aria-label=\"Receptions\" tabindex=\"0\">\n<table>\n<thead><tr>"
        "<th scope=\"col\">Receiver</th><th scope=\"col\">Arrived</th>"
        "<th scope=\"col\">Receiver's clock</th><th scope=\"col\">Quality</th>"
        "<th scope=\"col\">Version</th></tr></thead>\n<tbody>\n");
    for (const ReceptionRecord& r : detail.receptions) {
        page.Markup("<tr><td><a href=\"/receiver/" + std::to_string(r.receiverId) + "\">")
            .Text(r.receiverName)
            .Markup("</a></td><td>" + TimeElement(r.receivedAt) + "</td><td>")
            .Text(r.date + " " + r.time)
            .Markup("</td><td>" + std::to_string(r.quality) + "%</td><td>")
            .Text(r.version)
            .Markup("</td></tr>\n");
    }
    page.Markup("</tbody>\n</table>\n</div>\n");
    if (m.receptions > static_cast<int64_t>(detail.receptions.size())) {
        page.Markup("<p>The first " + std::to_string(detail.receptions.size()) + " of " +
                    std::to_string(m.receptions) + " receptions.</p>\n");
    }
    for (const ReceptionRecord& r : detail.receptions) {
        if (r.text == m.text) {
            continue;
        }
        page.Markup("<details>\n<summary>Text as ")
            .Text(r.receiverName)
            .Markup(" received it (" + std::to_string(r.quality) + "%)</summary>\n")
            .Markup("<pre class=\"text\">" + ShownText(r.text) + "</pre>\n</details>\n");
    }
    page.Markup("<p><a href=\"/api/messages/" + std::to_string(m.id) +
                "\">This message as "
                "JSON</a></p>\n");
    return Page(200, page);
}

HttpResponse CWebPages::Receivers() {
    std::vector<ReceiverRecord> receivers;
    std::string error;
    if (!m_store.ListReceivers(receivers, error)) {
        return Unavailable("receiver list", error);
    }
    CHtmlPage page(m_config.siteTitle, "Receivers");
    page.ShowSignUp(m_config.signUp);
    page.Markup("<h1>Receivers</h1>\n");
    if (receivers.empty()) {
        page.Markup("<p class=\"notice\">No receiver uploads here yet.</p>\n");
        return Page(200, page);
    }
    page.Markup(
        "<div class=\"table-wrap\" role=\"region\" aria-label=\"Receivers\" "
        "tabindex=\"0\">\n<table>\n<thead><tr><th scope=\"col\">Name</th>"
        "<th scope=\"col\">NAVAREA</th><th scope=\"col\">Position</th>"
        "<th scope=\"col\">Last seen</th><th scope=\"col\">Receptions</th>"
        "</tr></thead>\n<tbody>\n");
    for (const ReceiverRecord& r : receivers) {
        page.Markup("<tr><td><a href=\"/receiver/" + std::to_string(r.id) + "\">")
            .Text(r.name)
            .Markup("</a></td><td>")
            .Text(r.navArea ? std::to_string(*r.navArea) : std::string("-"))
            .Markup("</td><td>")
            .Text(PositionText(r.latitude, r.longitude))
            .Markup("</td><td>")
            .Markup(r.lastSeen ? TimeElement(*r.lastSeen) : std::string("never"))
            .Markup("</td><td>" + std::to_string(r.receptionCount) + "</td></tr>\n");
    }
    page.Markup("</tbody>\n</table>\n</div>\n");
    return Page(200, page);
}

HttpResponse CWebPages::Receiver(int64_t id, const HttpRequest& request) {
    ReceiverRecord receiver;
    bool found = false;
    std::string error;
    if (!m_store.GetReceiver(id, receiver, found, error)) {
        return Unavailable("receiver page", error);
    }
    if (!found) {
        return NotFound();
    }
    MessageQuery paging;
    std::string problem;
    if (!ReadMessageQuery(request, paging, problem)) {
        return Problem(400, "Cannot show these receptions", problem);
    }
    std::vector<ReceptionRecord> receptions;
    if (!m_store.ListReceptions(id, paging.beforeId, kReceptionsPerPage, receptions, error)) {
        return Unavailable("receiver page", error);
    }
    CHtmlPage page(m_config.siteTitle, receiver.name);
    page.ShowSignUp(m_config.signUp);
    page.Markup("<h1>").Text(receiver.name).Markup("</h1>\n<dl class=\"facts\">\n");
    page.Markup("<dt>Position</dt><dd>")
        .Text(PositionText(receiver.latitude, receiver.longitude))
        .Markup("</dd>\n<dt>NAVAREA</dt><dd>")
        .Text(receiver.navArea ? std::to_string(*receiver.navArea) : std::string("as uploaded"))
        .Markup("</dd>\n<dt>Uploading since</dt><dd>" + TimeElement(receiver.createdAt) +
                "</dd>\n<dt>Last seen</dt><dd>")
        .Markup(receiver.lastSeen ? TimeElement(*receiver.lastSeen) : std::string("never"))
        .Markup("</dd>\n<dt>Program version</dt><dd>")
        .Text(receiver.lastVersion.empty() ? std::string("unknown") : receiver.lastVersion)
        .Markup("</dd>\n<dt>Receptions</dt><dd>" + std::to_string(receiver.receptionCount) +
                "</dd>\n</dl>\n<h2>Latest receptions</h2>\n");
    if (receptions.empty()) {
        page.Markup("<p class=\"notice\">No receptions")
            .Markup(paging.beforeId ? " older than these" : "")
            .Markup(".</p>\n");
        return Page(200, page);
    }
    page.Markup(
        "<div class=\"table-wrap\" role=\"region\" aria-label=\"Receptions\" "
        "tabindex=\"0\">\n<table>\n<thead><tr><th scope=\"col\">Message</th>"
        "<th scope=\"col\">Subject</th><th scope=\"col\">Arrived</th>"
        "<th scope=\"col\">Quality</th></tr></thead>\n<tbody>\n");
    for (const ReceptionRecord& r : receptions) {
        page.Markup("<tr><td><a href=\"/message/" + std::to_string(r.messageId) + "\">")
            .Text(Identity(r.b1, r.b2, r.number) + " " + StationLabel(r.navArea, r.b1))
            .Markup("</a></td><td>")
            .Text(SubjectName(r.b2))
            .Markup("</td><td>" + TimeElement(r.receivedAt) + "</td><td>" +
                    std::to_string(r.quality) + "%</td></tr>\n");
    }
    page.Markup("</tbody>\n</table>\n</div>\n");
    if (static_cast<int>(receptions.size()) == kReceptionsPerPage) {
        page.Markup(
            "<nav class=\"pages\" aria-label=\"More receptions\"><a rel=\"next\" "
            "href=\"/receiver/" +
            std::to_string(id) + "?before=" + std::to_string(receptions.back().id) +
            "\">Older receptions</a></nav>\n");
    }
    return Page(200, page);
}

HttpResponse CWebPages::SignUp(const HttpRequest& request) {
    if (!m_config.signUp) {
        return Problem(404, "Sign-up is closed",
                       "This service makes upload IDs only through its operator. Ask them for "
                       "one, then enter it in the receiver's upload ID dialog.");
    }
    CHtmlPage page(m_config.siteTitle, "Sign up a receiver");
    page.ShowSignUp(true);
    page.Markup("<h1>Sign up a receiver</h1>\n");
    std::string name;
    std::string latitude;
    std::string longitude;
    std::string problem;
    if (request.method == "POST") {
        CFormValues form;
        const std::string type = request.Header("Content-Type");
        if (type.rfind("application/x-www-form-urlencoded", 0) != 0 ||
            !form.ParseUrlEncoded(request.body, problem)) {
            return Problem(400, "Sign-up failed", problem.empty() ? "Send the form." : problem);
        }
        name = CleanInputText(form.Value("name"));
        latitude = CleanInputText(form.Value("latitude"));
        longitude = CleanInputText(form.Value("longitude"));
        NewReceiver receiver;
        receiver.name = name;
        double lat = 0;
        double lon = 0;
        if (!CheckReceiverName(name, problem)) {
            // shown below with the form
        } else if (latitude.empty() != longitude.empty()) {
            problem = "Give both latitude and longitude, or neither.";
        } else if (!latitude.empty() &&
                   (!ParseCoordinate(latitude, 90, lat) || !ParseCoordinate(longitude, 180, lon))) {
            problem = "Give latitude (-90 to 90) and longitude (-180 to 180) in decimal degrees.";
        } else {
            if (!latitude.empty()) {
                receiver.latitude = lat;
                receiver.longitude = lon;
                receiver.navArea = NavAreaNear(lat, lon);
            }
            const int64_t now = m_clock();
            int64_t recent = 0;
            std::string error;
            if (!m_store.CountReceiversCreatedSince(now - 3600, recent, error)) {
                return Unavailable("sign-up", error);
            }
            if (recent >= m_config.signUpsPerHour) {
                HttpResponse r = Problem(429, "Too many sign-ups",
                                         "Too many receivers were signed up in the last hour. "
                                         "Please try again later.");
                r.headers.emplace_back("Retry-After", "600");
                return r;
            }
            ReceiverRecord made;
            if (!m_store.AddReceiver(receiver, now, made, error)) {
                return Unavailable("sign-up", error);
            }
            m_metrics.CountSignUp();
            m_log.Write(CServiceLog::Level::Info, "signup", {{"receiver", made.id}});
            page.Markup("<p>Your receiver <a href=\"/receiver/" + std::to_string(made.id) + "\">")
                .Text(made.name)
                .Markup("</a> may upload now. Its upload ID is:</p>\n<p><code class=\"id\">")
                .Text(made.uploadId)
                .Markup(
                    "</code></p>\n<p class=\"notice\">Enter it in the receiver's upload ID "
                    "dialog (Help menu) and keep it to yourself: whoever has it uploads "
                    "as your receiver. This page shows it once.</p>\n");
            HttpResponse r = Page(201, page);
            r.headers.emplace_back("Cache-Control", "no-store");
            return r;
        }
    }
    page.Markup(
        "<p>A receiver signed up here gets an upload ID to enter in its upload ID dialog; from "
        "then on it uploads every message it receives to this service.</p>\n");
    if (!problem.empty()) {
        page.Markup("<p class=\"notice\" role=\"alert\">").Text(problem).Markup("</p>\n");
    }
    page.Markup(
        "<form class=\"filters\" method=\"post\" action=\"/cgi-bin/navtex/register.cgi\">\n"
        "<div class=\"wide\"><label for=\"name\">Receiver's name (shown on this site)</label>"
        "<input id=\"name\" name=\"name\" required maxlength=\"64\" autocomplete=\"off\" "
        "value=\"" +
        Escaped(name) +
        "\"></div>\n<div><label for=\"latitude\">Latitude (optional)</label><input "
        "id=\"latitude\" name=\"latitude\" inputmode=\"decimal\" placeholder=\"50.59\" "
        "value=\"" +
        Escaped(latitude) +
        "\"></div>\n<div><label for=\"longitude\">Longitude (optional)</label><input "
        "id=\"longitude\" name=\"longitude\" inputmode=\"decimal\" placeholder=\"-1.25\" "
        "value=\"" +
        Escaped(longitude) +
        "\"></div>\n<div><button type=\"submit\">Get an upload ID</button></div>\n</form>\n");
    HttpResponse r = Page(problem.empty() ? 200 : 400, page);
    r.headers.emplace_back("Cache-Control", "no-store");
    return r;
}

HttpResponse CWebPages::Download() {
    if (!m_config.downloadUrl.empty()) {
        HttpResponse r = Problem(302, "Download", "The new version is on the download page.");
        r.headers.emplace_back("Location", m_config.downloadUrl);
        return r;
    }
    return Problem(200, "Download Wavelore",
                   "The newest version this service knows is " + m_config.versionLatest +
                       ". Ask the operator of this service where to get it.");
}

}  // namespace wavelore::service
