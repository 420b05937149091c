#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "service/http_server.h"
#include "service/message_store.h"
#include "service/service_config.h"
#include "service/service_log.h"
#include "service/service_metrics.h"
#include "service/service_time.h"

namespace wavelore::service {

class CHtmlPage;

// The service's web pages, rendered on the server: the latest messages with
// filters and search, one page per message with its receptions, the
// receivers, the sign-up page and the download page.
class CWebPages {
  public:
    CWebPages(CMessageStore& store, const ServiceConfig& config, CServiceMetrics& metrics,
              CServiceLog& log, SecondsClock clock);

    HttpResponse Latest(const HttpRequest& request);
    HttpResponse Message(int64_t id);
    HttpResponse Receivers();
    HttpResponse Receiver(int64_t id, const HttpRequest& request);
    // GET shows the form, POST makes the receiver; closed unless configured.
    HttpResponse SignUp(const HttpRequest& request);
    // Where the receiver's version check sends its user for a new version.
    HttpResponse Download();

    HttpResponse NotFound();
    HttpResponse Problem(int status, std::string_view title, std::string_view text);
    HttpResponse Unavailable(std::string_view during, const std::string& error);

  private:
    HttpResponse Page(int status, const CHtmlPage& page);

    CMessageStore& m_store;
    const ServiceConfig& m_config;
    CServiceMetrics& m_metrics;
    CServiceLog& m_log;
    SecondsClock m_clock;
};

}  // namespace wavelore::service
