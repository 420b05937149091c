#pragma once

#include <string>

#include "service/atom_feed.h"
#include "service/http_server.h"
#include "service/json_api.h"
#include "service/message_store.h"
#include "service/service_config.h"
#include "service/service_log.h"
#include "service/service_metrics.h"
#include "service/upload_service.h"
#include "service/web_pages.h"

namespace wavelore::service {

// Every address the service answers, in one place: the receivers' upload
// path, the pages, the API, the feeds, /health and /metrics. Whatever a
// client sent is made valid UTF-8 before anything reads it; every answer
// gets the headers that keep a browser from running or framing anything.
class CServiceRoutes {
  public:
    CServiceRoutes(CMessageStore& store, const ServiceConfig& config, CServiceMetrics& metrics,
                   CServiceLog& log, SecondsClock clock);

    HttpResponse Handle(const HttpRequest& request);

  private:
    HttpResponse Route(const HttpRequest& request, CServiceMetrics::Route& route);
    HttpResponse Health();
    std::string BaseUrl(const HttpRequest& request) const;

    CMessageStore& m_store;
    const ServiceConfig& m_config;
    CServiceMetrics& m_metrics;
    CServiceLog& m_log;
    CUploadService m_upload;
    CWebPages m_pages;
    CJsonApi m_api;
    CAtomFeed m_feed;
};

}  // namespace wavelore::service
