#pragma once

#include <string>
#include <string_view>

#include "service/message_store.h"
#include "service/service_log.h"
#include "service/service_metrics.h"
#include "service/service_time.h"

namespace wavelore::service {

// What the version check answers: "1,text" offers the download page to a
// receiver older than latest, "2,text" tells an up-to-date one the notice,
// any other code shows nothing.
struct VersionPolicy {
    std::string latest = "2.1.2";
    std::string upgradeText = "Wavelore %s is available. Open the download page?";  // %s: latest
    std::string notice;
};

// Dotted version numbers compared part by part as numbers ("2.10" after
// "2.9"); a part that is not a number compares as 0. <0, 0 or >0.
int CompareVersions(std::string_view a, std::string_view b);
std::string VersionCheckReply(std::string_view clientVersion, const VersionPolicy& policy);

// The answer to one request: its HTTP status and plain-text body. The
// receiver takes any reply with a body as delivered and retries one
// without, so only a failure of ours (the database) answers with none.
struct ServiceReply {
    int status = 200;
    std::string body;
};

// The receivers' side of the service: message uploads, the upload ID test
// and the version check, all posted as one multipart form to the upload
// path. Replies are what the receiver's reply rules read: the receiver's
// name for a good ID test (shown as "welcome NAME"), "ERROR: Client test
// failed ..." for an unknown ID, "ERROR: ..." with the reason for a bad
// request, "code,text" for the version check.
class CUploadService {
  public:
    static constexpr std::string_view kUnknownIdReply =
        "ERROR: Client test failed: this upload ID is not known to this service";

    CUploadService(CMessageStore& store, VersionPolicy version, CServiceMetrics& metrics,
                   CServiceLog& log, SecondsClock clock);

    ServiceReply Handle(std::string_view contentType, std::string_view body);

  private:
    ServiceReply BadRequest(std::string_view problem, std::string_view uid);
    ServiceReply Failure(std::string_view what, const std::string& error);

    CMessageStore& m_store;
    VersionPolicy m_version;
    CServiceMetrics& m_metrics;
    CServiceLog& m_log;
    SecondsClock m_clock;
};

}  // namespace wavelore::service
