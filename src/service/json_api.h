#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "service/http_server.h"
#include "service/message_store.h"
#include "service/service_log.h"
#include "service/service_metrics.h"

namespace wavelore::service {

// The same data as the pages, as JSON:
//   GET /api/messages          the list, with the page's filters (and limit)
//   GET /api/messages/ID       one message with its receptions and positions
//   GET /api/receivers         every receiver
//   GET /api/receivers/ID      one receiver with its latest receptions
//   GET /api/stats             how many receivers, messages and receptions
// Upload IDs never appear. Times are ISO 8601 UTC.
class CJsonApi {
  public:
    CJsonApi(CMessageStore& store, CServiceMetrics& metrics, CServiceLog& log);

    // Answers a request whose path starts with /api.
    HttpResponse Handle(const HttpRequest& request);

  private:
    HttpResponse Messages(const HttpRequest& request);
    HttpResponse Message(int64_t id);
    HttpResponse Receivers();
    HttpResponse Receiver(int64_t id, const HttpRequest& request);
    HttpResponse Stats();
    HttpResponse Index();
    HttpResponse Error(int status, std::string_view text);
    HttpResponse Unavailable(std::string_view during, const std::string& error);

    CMessageStore& m_store;
    CServiceMetrics& m_metrics;
    CServiceLog& m_log;
};

// "/message/123" -> 123; nullopt when the rest after prefix is not a
// positive number.
std::optional<int64_t> PathNumber(std::string_view path, std::string_view prefix);

}  // namespace wavelore::service
