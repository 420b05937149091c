#pragma once

#include <string>

#include "service/http_server.h"
#include "service/message_store.h"

namespace wavelore::service {

// The filters of a message list from a request's query: navarea (1-21),
// station and subject (a letter each), since and until (a date or time,
// UTC), q (search words, up to 200 characters), before (a message number,
// for the next page) and limit. Empty parameters do not filter. False with
// problem set for a value that is not what its name asks for.
bool ReadMessageQuery(const HttpRequest& request, MessageQuery& query, std::string& problem);

// The query string ("?a=1&b=x") that gives the same filters, with before
// when given; empty when nothing filters.
std::string MessageQueryString(const MessageQuery& query, std::optional<int64_t> before = {});

// text with every byte but letters, digits and "-._~" percent-escaped.
std::string UrlEncode(std::string_view text);

}  // namespace wavelore::service
