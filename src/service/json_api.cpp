#include "service/json_api.h"

#include <charconv>

#include "service/json_writer.h"
#include "service/message_names.h"
#include "service/query_parameters.h"
#include "service/service_time.h"

namespace wavelore::service {

namespace {

constexpr int kReceptionsListed = 50;

HttpResponse Json(int status, const CJsonWriter& json) {
    return HttpResponse{status, "application/json", json.Text() + "\n", {}};
}

void WriteMessage(CJsonWriter& j, const MessageSummary& m) {
    j.Key("id").Int(m.id);
    j.Key("identity").String(Identity(m.b1, m.b2, m.number));
    j.Key("navarea").Int(m.navArea);
    j.Key("station").String(m.b1);
    const std::string station = StationName(m.navArea, m.b1);
    if (station.empty()) {
        j.Key("station_name").Null();
    } else {
        j.Key("station_name").String(station);
    }
    j.Key("subject").String(m.b2);
    j.Key("subject_name").String(SubjectName(m.b2));
    j.Key("number").String(m.number);
    j.Key("first_received").String(IsoTime(m.firstSeen));
    j.Key("last_received").String(IsoTime(m.lastSeen));
    j.Key("quality").Int(m.quality);
    j.Key("receptions").Int(m.receptions);
    j.Key("text").String(m.text);
    j.Key("url").String("/message/" + std::to_string(m.id));
}

void WriteReception(CJsonWriter& j, const ReceptionRecord& r) {
    j.BeginObject();
    j.Key("id").Int(r.id);
    j.Key("message").Int(r.messageId);
    j.Key("identity").String(Identity(r.b1, r.b2, r.number));
    j.Key("receiver").Int(r.receiverId);
    j.Key("receiver_name").String(r.receiverName);
    j.Key("arrived").String(IsoTime(r.receivedAt));
    j.Key("receiver_date").String(r.date);
    j.Key("receiver_time").String(r.time);
    j.Key("quality").Int(r.quality);
    j.Key("version").String(r.version);
    j.EndObject();
}

void WriteReceiver(CJsonWriter& j, const ReceiverRecord& r) {
    j.Key("id").Int(r.id);
    j.Key("name").String(r.name);
    if (r.latitude && r.longitude) {
        j.Key("latitude").Real(*r.latitude);
        j.Key("longitude").Real(*r.longitude);
    } else {
        j.Key("latitude").Null();
        j.Key("longitude").Null();
    }
    if (r.navArea) {
        j.Key("navarea").Int(*r.navArea);
    } else {
        j.Key("navarea").Null();
    }
    j.Key("created").String(IsoTime(r.createdAt));
    if (r.lastSeen) {
        j.Key("last_seen").String(IsoTime(*r.lastSeen));
    } else {
        j.Key("last_seen").Null();
    }
    j.Key("version").String(r.lastVersion);
    j.Key("receptions").Int(r.receptionCount);
    j.Key("url").String("/receiver/" + std::to_string(r.id));
}

}  // namespace

std::optional<int64_t> PathNumber(std::string_view path, std::string_view prefix) {
    if (!path.starts_with(prefix)) {
        return std::nullopt;
    }
    const std::string_view rest = path.substr(prefix.size());
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (rest.empty() || rest.size() > 18 || rest.front() == '+' || ec != std::errc() ||
        end != rest.data() + rest.size() || value <= 0) {
        return std::nullopt;
    }
    return value;
}

CJsonApi::CJsonApi(CMessageStore& store, CServiceMetrics& metrics, CServiceLog& log)
    : m_store(store), m_metrics(metrics), m_log(log) {}

HttpResponse CJsonApi::Error(int status, std::string_view text) {
    CJsonWriter j;
    j.BeginObject().Key("error").String(text).EndObject();
    return Json(status, j);
}

HttpResponse CJsonApi::Unavailable(std::string_view during, const std::string& error) {
    NoteDatabaseError(m_metrics, m_log, during, error);
    HttpResponse r = Error(503, "the message store does not answer; try again shortly");
    r.headers.emplace_back("Retry-After", "30");
    return r;
}

HttpResponse CJsonApi::Handle(const HttpRequest& request) {
    const std::string& path = request.path;
    if (path == "/api" || path == "/api/") {
        return Index();
    }
    if (path == "/api/messages") {
        return Messages(request);
    }
    if (path == "/api/receivers") {
        return Receivers();
    }
    if (path == "/api/stats") {
        return Stats();
    }
    if (const auto id = PathNumber(path, "/api/messages/")) {
        return Message(*id);
    }
    if (const auto id = PathNumber(path, "/api/receivers/")) {
        return Receiver(*id, request);
    }
    return Error(404, "no such resource");
}

HttpResponse CJsonApi::Index() {
    CJsonWriter j;
    j.BeginObject().Key("resources").BeginArray();
    for (const char* r : {"/api/messages", "/api/messages/{id}", "/api/receivers",
                          "/api/receivers/{id}", "/api/stats"}) {
        j.String(r);
    }
    j.EndArray();
    j.Key("message_filters").BeginArray();
    for (const char* f :
         {"navarea", "station", "subject", "since", "until", "q", "before", "limit"}) {
        j.String(f);
    }
    j.EndArray().EndObject();
    return Json(200, j);
}

HttpResponse CJsonApi::Messages(const HttpRequest& request) {
    MessageQuery query;
    std::string problem;
    if (!ReadMessageQuery(request, query, problem)) {
        return Error(400, problem);
    }
    query.excerpt = false;
    std::vector<MessageSummary> messages;
    std::string error;
    if (!m_store.ListMessages(query, messages, error)) {
        return Unavailable("message list", error);
    }
    CJsonWriter j;
    j.BeginObject().Key("messages").BeginArray();
    for (const MessageSummary& m : messages) {
        j.BeginObject();
        WriteMessage(j, m);
        j.EndObject();
    }
    j.EndArray().Key("next");
    if (static_cast<int>(messages.size()) == query.limit) {
        std::string next = "/api/messages" + MessageQueryString(query, messages.back().id);
        if (query.limit != MessageQuery{}.limit) {
            next += "&limit=" + std::to_string(query.limit);
        }
        j.String(next);
    } else {
        j.Null();
    }
    j.EndObject();
    return Json(200, j);
}

HttpResponse CJsonApi::Message(int64_t id) {
    MessageDetail detail;
    bool found = false;
    std::string error;
    if (!m_store.GetMessage(id, detail, found, error)) {
        return Unavailable("message", error);
    }
    if (!found) {
        return Error(404, "no such message");
    }
    CJsonWriter j;
    j.BeginObject().Key("message").BeginObject();
    WriteMessage(j, detail.message);
    j.Key("reception_list").BeginArray();
    for (const ReceptionRecord& r : detail.receptions) {
        WriteReception(j, r);
    }
    j.EndArray().Key("positions").BeginArray();
    for (const MessageGeometry& g : detail.positions) {
        j.BeginObject().Key("kind").String(GeometryKindName(g.kind));
        j.Key("coordinates").Raw(CoordinatesJson(g.points));
        if (g.kind == MessageGeometry::Kind::Circle) {
            j.Key("radius_nm").Real(g.radiusNm);
        }
        j.EndObject();
    }
    j.EndArray().EndObject().EndObject();
    return Json(200, j);
}

HttpResponse CJsonApi::Receivers() {
    std::vector<ReceiverRecord> receivers;
    std::string error;
    if (!m_store.ListReceivers(receivers, error)) {
        return Unavailable("receiver list", error);
    }
    CJsonWriter j;
    j.BeginObject().Key("receivers").BeginArray();
    for (const ReceiverRecord& r : receivers) {
        j.BeginObject();
        WriteReceiver(j, r);
        j.EndObject();
    }
    j.EndArray().EndObject();
    return Json(200, j);
}

HttpResponse CJsonApi::Receiver(int64_t id, const HttpRequest& request) {
    ReceiverRecord receiver;
    bool found = false;
    std::string error;
    if (!m_store.GetReceiver(id, receiver, found, error)) {
        return Unavailable("receiver", error);
    }
    if (!found) {
        return Error(404, "no such receiver");
    }
    MessageQuery paging;
    std::string problem;
    if (!ReadMessageQuery(request, paging, problem)) {
        return Error(400, problem);
    }
    std::vector<ReceptionRecord> receptions;
    if (!m_store.ListReceptions(id, paging.beforeId, kReceptionsListed, receptions, error)) {
        return Unavailable("receiver", error);
    }
    CJsonWriter j;
    j.BeginObject().Key("receiver").BeginObject();
    WriteReceiver(j, receiver);
    j.EndObject().Key("latest_receptions").BeginArray();
    for (const ReceptionRecord& r : receptions) {
        WriteReception(j, r);
    }
    j.EndArray().EndObject();
    return Json(200, j);
}

HttpResponse CJsonApi::Stats() {
    StoreCounts counts;
    std::string error;
    if (!m_store.Counts(counts, error)) {
        return Unavailable("stats", error);
    }
    CJsonWriter j;
    j.BeginObject();
    j.Key("receivers").Int(counts.receivers);
    j.Key("messages").Int(counts.messages);
    j.Key("receptions").Int(counts.receptions);
    j.EndObject();
    return Json(200, j);
}

}  // namespace wavelore::service
