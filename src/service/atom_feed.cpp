#include "service/atom_feed.h"

#include "service/html_page.h"
#include "service/message_names.h"
#include "service/query_parameters.h"
#include "service/service_time.h"

namespace wavelore::service {

namespace {

std::string Element(std::string_view name, std::string_view text) {
    std::string out = "<";
    out.append(name).append(">").append(HtmlEscape(text)).append("</").append(name).append(">\n");
    return out;
}

std::string FeedTitle(const MessageQuery& q) {
    std::string title = "NAVTEX messages";
    if (!q.station.empty()) {
        const std::string name = q.navArea ? StationName(*q.navArea, q.station) : std::string();
        title += " from " + (name.empty() ? "station " + q.station : name);
    }
    if (q.navArea) {
        title += " in NAVAREA " + std::to_string(*q.navArea);
    }
    if (!q.subject.empty()) {
        title += ": " + SubjectName(q.subject);
    }
    if (!q.text.empty()) {
        title += " with \"" + q.text + "\"";
    }
    return title;
}

}  // namespace

CAtomFeed::CAtomFeed(CMessageStore& store, std::string siteTitle, CServiceMetrics& metrics,
                     CServiceLog& log)
    : m_store(store), m_siteTitle(std::move(siteTitle)), m_metrics(metrics), m_log(log) {}

HttpResponse CAtomFeed::Handle(const HttpRequest& request, const std::string& baseUrl) {
    MessageQuery query;
    std::string problem;
    if (!ReadMessageQuery(request, query, problem)) {
        return HttpResponse{400, "text/plain; charset=utf-8", "Bad feed address: " + problem, {}};
    }
    query.beforeId.reset();
    query.limit = kEntries;
    query.excerpt = false;
    std::vector<MessageSummary> messages;
    std::string error;
    if (!m_store.ListMessages(query, messages, error)) {
        NoteDatabaseError(m_metrics, m_log, "feed", error);
        return HttpResponse{503,
                            "text/plain; charset=utf-8",
                            "The message store does not answer.",
                            {{"Retry-After", "30"}}};
    }
    const std::string filters = MessageQueryString(query);
    int64_t updated = 0;
    for (const MessageSummary& m : messages) {
        updated = std::max(updated, m.lastSeen);
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    xml += "<feed xmlns=\"http://www.w3.org/2005/Atom\">\n";
    xml += Element("title", FeedTitle(query));
    xml += Element("id", baseUrl + "/feed.atom" + filters);
    xml += Element("updated", IsoTime(updated));
    xml += "<author>\n" + Element("name", m_siteTitle) + "</author>\n";
    xml += Element("generator", "wavelore-service");
    xml += "<link rel=\"self\" type=\"application/atom+xml\" href=\"" +
           HtmlEscape(baseUrl + "/feed.atom" + filters) + "\"/>\n";
    xml += "<link rel=\"alternate\" type=\"text/html\" href=\"" +
           HtmlEscape(baseUrl + "/" + filters) + "\"/>\n";
    for (const MessageSummary& m : messages) {
        const std::string link = baseUrl + "/message/" + std::to_string(m.id);
        const std::string station = StationName(m.navArea, m.b1);
        xml += "<entry>\n";
        xml += Element("title", Identity(m.b1, m.b2, m.number) + " " +
                                    (station.empty() ? "station " + m.b1 : station) + ": " +
                                    SubjectName(m.b2));
        xml += Element("id", link);
        xml += "<link rel=\"alternate\" type=\"text/html\" href=\"" + HtmlEscape(link) + "\"/>\n";
        xml += Element("published", IsoTime(m.firstSeen));
        xml += Element("updated", IsoTime(m.lastSeen));
        xml += "<category term=\"" + HtmlEscape(m.b2) + "\" label=\"" +
               HtmlEscape(SubjectName(m.b2)) + "\"/>\n";
        xml += "<content type=\"text\">" + HtmlEscape(m.text) + "</content>\n";
        xml += "</entry>\n";
    }
    xml += "</feed>\n";
    return HttpResponse{200, "application/atom+xml; charset=utf-8", std::move(xml), {}};
}

}  // namespace wavelore::service
