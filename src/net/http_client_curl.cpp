#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <new>

#include "common/utf.h"
#include "net/http_client.h"
#include "net/http_reply.h"

namespace wavelore {

namespace {

bool IsHostChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'.' || c == u'-' || c == u'_' || c == u':';
}

// Only what can stand in a URL's path unescaped and cannot split the request
// line: visible ASCII, starting with a slash.
bool IsUsablePath(std::u16string_view path) {
    if (path.empty() || path.front() != u'/') {
        return false;
    }
    return std::all_of(path.begin(), path.end(), [](char16_t c) { return c > 32 && c < 127; });
}

}  // namespace

struct CHttpClient::Impl {
    CURL* curl = nullptr;
    std::string origin;  // "http://host:port"
    std::string userAgent;
    std::string user;
    std::string password;
    long connectMs = kDefaultConnectTimeoutMs;
    long transferMs = kDefaultTransferTimeoutMs;

    bool sent = false;
    CHttpReply reply;

    static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
        const size_t n = size * count;
        return static_cast<Impl*>(user)->reply.AddHeaderLine(std::string_view(data, n)) ? n : 0;
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* user) {
        // Enough kept: stopping the transfer here is what a cut read does.
        return static_cast<Impl*>(user)->reply.AddBody(std::string_view(data, size * count));
    }

    static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<CHttpClient*>(user)->Cancelled() ? 1 : 0;
    }
};

bool CHttpClient::InitLibrary() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

CHttpClient::CHttpClient() : m_impl(new (std::nothrow) Impl) {
    InitLibrary();
}

CHttpClient::~CHttpClient() {
    Close();
}

void CHttpClient::SetTimeouts(long connectMs, long transferMs) {
    if (m_impl) {
        m_impl->connectMs = std::max(1L, connectMs);
        m_impl->transferMs = std::max(1L, transferMs);
    }
}

int CHttpClient::Open(std::u16string_view server, std::u16string_view userAgent, int port,
                      std::u16string_view user, std::u16string_view password) {
    if (!m_impl) {
        SetLastError(CURLE_OUT_OF_MEMORY);
        return 0;
    }
    Close();
    if (!InitLibrary()) {
        SetLastError(CURLE_FAILED_INIT);
        return 0;
    }
    if (server.empty() || !std::all_of(server.begin(), server.end(), IsHostChar) || port < 1 ||
        port > 65535) {
        SetLastError(kErrorBadArgument);
        return 0;
    }
    // libcurl connects when the request is made; a server that cannot be
    // reached therefore fails in Send and ReadReply, as it would with a
    // lazily connecting platform library.
    m_impl->curl = curl_easy_init();
    if (m_impl->curl == nullptr) {
        SetLastError(CURLE_FAILED_INIT);
        return 0;
    }
    const std::string host = ToUtf8(server);
    const bool ipv6 = host.find(':') != std::string::npos;
    m_impl->origin = "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
    m_impl->userAgent = ToUtf8(userAgent);
    m_impl->user = ToUtf8(user);
    m_impl->password = ToUtf8(password);
    m_impl->sent = false;
    return 1;
}

int CHttpClient::Send(std::u16string_view path, int kind) {
    SetUnreachable(false);
    if (!m_impl || m_impl->curl == nullptr) {
        SetLastError(kErrorNotOpen);
        return 0;
    }
    if (!IsUsablePath(path)) {
        SetLastError(kErrorBadArgument);
        return 0;
    }
    Impl& d = *m_impl;
    CURL* curl = d.curl;

    std::string body;
    const bool post = kind == kFormPost || kind == kMultipartPost;
    if (kind == kMultipartPost && !BuildBody(Fields(), body)) {
        SetLastError(kErrorBody);
        return 0;
    }

    struct curl_slist* headers = curl_slist_append(nullptr, "Accept: */*");
    if (kind == kMultipartPost) {
        headers = curl_slist_append(
            headers,
            "Content-Type: multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY");
        headers =
            curl_slist_append(headers, ("Content-Length: " + std::to_string(body.size())).c_str());
    } else if (kind == kFormPost) {
        headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    }
    if (headers == nullptr) {
        SetLastError(CURLE_OUT_OF_MEMORY);
        return 0;
    }

    d.sent = true;
    d.reply.Clear();

    curl_easy_reset(curl);
    const std::string url = d.origin + ToUtf8(path);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, d.userAgent.c_str());
    // A collection service on this machine must never be reached through a
    // proxy named in the environment.
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, d.connectMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, d.transferMs);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &d);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Impl::OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &d);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Impl::OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    if (!d.user.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, d.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, d.password.c_str());
    }
    if (post) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }

    const CURLcode rc = curl_easy_perform(curl);
    // The options point at locals; nothing may use them after this call.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);

    if (rc == CURLE_OK || (rc == CURLE_WRITE_ERROR && d.reply.BodyFull())) {
        return 1;
    }
    SetLastError(static_cast<uint32_t>(rc));
    SetUnreachable(rc == CURLE_COULDNT_RESOLVE_HOST || rc == CURLE_COULDNT_RESOLVE_PROXY ||
                   rc == CURLE_COULDNT_CONNECT ||
                   (rc == CURLE_OPERATION_TIMEDOUT && !d.reply.HeadersComplete()));
    return 0;
}

int CHttpClient::ReadReply(std::string& headers, size_t headerCapacity, std::string& body,
                           size_t bodyCapacity) {
    headers.clear();
    body.clear();
    if (!m_impl || !m_impl->sent) {
        SetLastError(kErrorNoRequest);
        return 0;
    }
    // Whatever arrived counts, even when the transfer broke off later.
    const uint32_t error = m_impl->reply.Read(headers, headerCapacity, body, bodyCapacity);
    if (error != 0) {
        SetLastError(error);
        return 0;
    }
    return 1;
}

int CHttpClient::Close() {
    if (m_impl && m_impl->curl != nullptr) {
        curl_easy_cleanup(m_impl->curl);
        m_impl->curl = nullptr;
    }
    return 1;
}

}  // namespace wavelore
