#pragma once

#include <string>

#include "service/http_server.h"
#include "service/message_store.h"
#include "service/service_log.h"
#include "service/service_metrics.h"

namespace wavelore::service {

// Atom feeds (RFC 4287) of the latest messages, with the same filters as
// the pages: /feed.atom?navarea=1, ?station=E&navarea=1, ?subject=A, ... so
// a feed reader can follow a NAVAREA, a station or a subject.
class CAtomFeed {
  public:
    static constexpr int kEntries = 50;

    CAtomFeed(CMessageStore& store, std::string siteTitle, CServiceMetrics& metrics,
              CServiceLog& log);

    // baseUrl: "https://host" that links in the feed start with.
    HttpResponse Handle(const HttpRequest& request, const std::string& baseUrl);

  private:
    CMessageStore& m_store;
    std::string m_siteTitle;
    CServiceMetrics& m_metrics;
    CServiceLog& m_log;
};

}  // namespace wavelore::service
