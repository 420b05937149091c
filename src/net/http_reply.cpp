#include "net/http_reply.h"

#include <algorithm>

#include "common/utf.h"
#include "net/http_client.h"

namespace wavelore {

void CHttpReply::Clear() {
    m_headersComplete = false;
    m_headers.clear();
    m_body.clear();
}

bool CHttpReply::AddHeaderLine(std::string_view line) {
    if (line.starts_with("HTTP/")) {
        m_headers.clear();
        m_headersComplete = false;
    }
    if (line.size() > m_maxHeaderBlock - m_headers.size()) {
        return false;
    }
    m_headers.append(line);
    if (line == "\r\n" || line == "\n") {
        m_headersComplete = true;
    }
    return true;
}

size_t CHttpReply::AddBody(std::string_view data) {
    const size_t take = std::min(data.size(), m_maxKeptBody - m_body.size());
    m_body.append(data.substr(0, take));
    return take;
}

uint32_t CHttpReply::Read(std::string& headers, size_t headerCapacity, std::string& body,
                          size_t bodyCapacity) const {
    headers.clear();
    body.assign(m_body, 0, std::min(m_body.size(), bodyCapacity));
    if (!m_headersComplete) {
        return HttpClient::kErrorNoHeaders;
    }
    if (m_headers.size() > headerCapacity) {
        return HttpClient::kErrorHeadersTooLarge;
    }
    headers = m_headers;
    if (body.empty()) {
        return HttpClient::kErrorEmptyBody;
    }
    return 0;
}

std::u16string ReplyText(std::string_view body) {
    return FromUtf8(body.substr(0, body.find('\0')));
}

}  // namespace wavelore
