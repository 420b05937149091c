#include "service/upload_service.h"

#include <algorithm>
#include <charconv>

#include "common/clock.h"
#include "common/utf.h"
#include "net/reply_rules.h"
#include "net/upload_request.h"
#include "service/form_values.h"
#include "service/input_text.h"
#include "service/message_names.h"

namespace wavelore::service {

namespace {

using Slot = UploadRequest::Slot;

// The form field names the receiver sends, from its own table.
std::string FieldName(Slot slot) {
    return ToUtf8(UploadRequest::kFieldNames[slot]);
}

constexpr std::array<Slot, 8> kMessageSlots = {Slot::kDate,    Slot::kTime,   Slot::kNavarea,
                                               Slot::kStation, Slot::kNumber, Slot::kMessage,
                                               Slot::kType,    Slot::kQuality};

bool ParseSmallInt(std::string_view text, int low, int high, int& out) {
    if (text.empty() || text.size() > 6) {
        return false;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

bool IsVersionText(std::string_view text) {
    return text.size() <= 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      c == '.' || c == '-' || c == '+' || c == '_' || c == ' ';
           });
}

// The parts of a dotted version as numbers.
std::vector<long> VersionParts(std::string_view text) {
    std::vector<long> parts;
    while (true) {
        const size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        long value = 0;
        std::from_chars(part.data(), part.data() + part.size(), value);
        parts.push_back(value);
        if (dot == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(dot + 1);
    }
}

}  // namespace

int CompareVersions(std::string_view a, std::string_view b) {
    const std::vector<long> pa = VersionParts(a);
    const std::vector<long> pb = VersionParts(b);
    for (size_t i = 0; i < std::max(pa.size(), pb.size()); ++i) {
        const long x = i < pa.size() ? pa[i] : 0;
        const long y = i < pb.size() ? pb[i] : 0;
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return 0;
}

std::string VersionCheckReply(std::string_view clientVersion, const VersionPolicy& policy) {
    if (CompareVersions(clientVersion, policy.latest) < 0) {
        std::string text = policy.upgradeText;
        const size_t at = text.find("%s");
        if (at != std::string::npos) {
            text.replace(at, 2, policy.latest);
        }
        return "1," + text;
    }
    if (!policy.notice.empty()) {
        return "2," + policy.notice;
    }
    return "0,Wavelore " + policy.latest + " is the newest version";
}

CUploadService::CUploadService(CMessageStore& store, VersionPolicy version,
                               CServiceMetrics& metrics, CServiceLog& log, SecondsClock clock)
    : m_store(store),
      m_version(std::move(version)),
      m_metrics(metrics),
      m_log(log),
      m_clock(std::move(clock)) {}

ServiceReply CUploadService::BadRequest(std::string_view problem, std::string_view uid) {
    m_metrics.CountUpload(CServiceMetrics::Upload::BadRequest);
    m_log.Write(CServiceLog::Level::Info, "upload_refused",
                {{"reason", problem}, {"uid_known", !uid.empty()}});
    return ServiceReply{400, "ERROR: bad request: " + std::string(problem)};
}

ServiceReply CUploadService::Failure(std::string_view what, const std::string& error) {
    NoteDatabaseError(m_metrics, m_log, what, error);
    // No body: the receiver keeps the request and sends it again later.
    return ServiceReply{503, {}};
}

ServiceReply CUploadService::Handle(std::string_view contentType, std::string_view body) {
    CFormValues form;
    std::string problem;
    if (!form.ParseMultipart(contentType, body, problem)) {
        return BadRequest(problem, {});
    }
    const std::string version = CleanInputText(form.Value(FieldName(Slot::kVersion)));
    if (!IsVersionText(version)) {
        return BadRequest("VERSION is not a version number", {});
    }
    const int64_t now = m_clock();
    const std::string uid = ToUtf8(UpperCaseId(FromUtf8(form.Value(FieldName(Slot::kUid)))));
    const bool idForm = IsUploadIdForm(FromUtf8(uid));

    ReceiverRecord receiver;
    bool known = false;
    std::string error;
    if (idForm && !m_store.FindReceiver(uid, receiver, known, error)) {
        return Failure("receiver lookup", error);
    }

    if (const std::string* check = form.Find("VERSIONCHECK"); check != nullptr) {
        if (*check != "TRUE") {
            return BadRequest("VERSIONCHECK is not TRUE", uid);
        }
        m_metrics.CountVersionCheck();
        if (known && !m_store.TouchReceiver(receiver.id, version, now, error)) {
            return Failure("version check", error);
        }
        return ServiceReply{200, VersionCheckReply(version, m_version)};
    }

    if (!known) {
        const bool test = std::all_of(kMessageSlots.begin(), kMessageSlots.end(),
                                      [&](Slot s) { return form.Value(FieldName(s)).empty(); });
        if (test) {
            m_metrics.CountIdTest(false);
        } else {
            m_metrics.CountUpload(CServiceMetrics::Upload::UnknownId);
        }
        m_log.Write(CServiceLog::Level::Info, test ? "id_test" : "upload_refused",
                    {{"reason", "unknown upload ID"}, {"uid_form", idForm}});
        return ServiceReply{403, std::string(kUnknownIdReply)};
    }

    const size_t filled =
        static_cast<size_t>(std::count_if(kMessageSlots.begin(), kMessageSlots.end(), [&](Slot s) {
            return !form.Value(FieldName(s)).empty();
        }));
    if (filled == 0) {
        // The upload ID test: the dialog shows "welcome" and this name.
        m_metrics.CountIdTest(true);
        if (!m_store.TouchReceiver(receiver.id, version, now, error)) {
            return Failure("upload ID test", error);
        }
        m_log.Write(CServiceLog::Level::Info, "id_test", {{"receiver", receiver.id}});
        return ServiceReply{200, receiver.name};
    }

    Reception r;
    r.receiverId = receiver.id;
    r.receivedAt = now;
    r.version = version;
    r.date = PercentDecode(form.Value(FieldName(Slot::kDate)), false);
    r.time = PercentDecode(form.Value(FieldName(Slot::kTime)), false);
    LocalTime when;
    if (r.date.size() != 10 || r.time.size() != 8 || !ParseLocalTime(r.date + " " + r.time, when)) {
        return BadRequest("DATE and TIME are not YYYY-MM-DD and HH:MM:SS", uid);
    }
    if (!ReadHeaderLetter(form.Value(FieldName(Slot::kStation)), r.b1)) {
        return BadRequest("STATION is not a letter A-Z", uid);
    }
    if (!ReadHeaderLetter(form.Value(FieldName(Slot::kType)), r.b2)) {
        return BadRequest("TYPE is not a letter A-Z", uid);
    }
    r.number = form.Value(FieldName(Slot::kNumber));
    if ((r.number.size() != 2 && r.number.size() != 3) ||
        !std::all_of(r.number.begin(), r.number.end(),
                     [](char c) { return c >= '0' && c <= '9'; })) {
        return BadRequest("NUMBER is not two or three digits", uid);
    }
    if (!ParseSmallInt(form.Value(FieldName(Slot::kQuality)), 0, 100, r.quality)) {
        return BadRequest("QUALITY is not 0 to 100", uid);
    }
    int sentArea = 0;
    if (!ParseSmallInt(form.Value(FieldName(Slot::kNavarea)), 1, 21, sentArea)) {
        return BadRequest("NAVAREA is not 1 to 21", uid);
    }
    // The receiver always sends NAVAREA 1; the receiver's record knows better.
    r.navArea = receiver.navArea.value_or(sentArea);
    std::string text = PercentDecode(form.Value(FieldName(Slot::kMessage)), false);
    text.resize(std::min(text.size(), text.find('\0')));  // the client sends a terminator
    r.text = CleanInputText(text);

    StoreResult stored;
    if (!m_store.StoreReception(r, stored, error)) {
        m_metrics.CountUpload(CServiceMetrics::Upload::Failed);
        return Failure("storing a reception", error);
    }
    std::string reply;
    std::string_view outcome;
    switch (stored.outcome) {
        case StoreOutcome::NewMessage:
            m_metrics.CountUpload(CServiceMetrics::Upload::NewMessage);
            outcome = "new_message";
            reply = "OK: stored as message ";
            break;
        case StoreOutcome::Merged:
            m_metrics.CountUpload(CServiceMetrics::Upload::Merged);
            outcome = "merged";
            reply = "OK: added to message ";
            break;
        case StoreOutcome::Duplicate:
            m_metrics.CountUpload(CServiceMetrics::Upload::Duplicate);
            outcome = "duplicate";
            reply = "OK: already stored in message ";
            break;
    }
    reply += std::to_string(stored.messageId);
    const std::string identity = r.b1 + r.b2 + r.number;
    m_log.Write(CServiceLog::Level::Info, "upload",
                {{"outcome", outcome},
                 {"receiver", receiver.id},
                 {"message", stored.messageId},
                 {"identity", std::string_view(identity)},
                 {"quality", static_cast<int64_t>(r.quality)},
                 {"text_kept", stored.textReplaced}});
    return ServiceReply{200, reply};
}

}  // namespace wavelore::service
