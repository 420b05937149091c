#include "service/http_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <charconv>
#include <cstring>
#include <new>

namespace wavelore::service {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

// What one request collects while its body arrives.
struct PendingRequest {
    std::string body;
    bool tooLarge = false;
};

enum MHD_Result CollectValue(void* cls, enum MHD_ValueKind, const char* key, const char* value) {
    auto* out = static_cast<std::vector<std::pair<std::string, std::string>>*>(cls);
    out->emplace_back(key != nullptr ? key : "", value != nullptr ? value : "");
    return MHD_YES;
}

enum MHD_Result Queue(MHD_Connection* connection, const HttpResponse& response) {
    MHD_Response* r = MHD_create_response_from_buffer(
        response.body.size(), const_cast<char*>(response.body.data()), MHD_RESPMEM_MUST_COPY);
    if (r == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(r, "Content-Type", response.contentType.c_str());
    for (const auto& [name, value] : response.headers) {
        MHD_add_response_header(r, name.c_str(), value.c_str());
    }
    const enum MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned int>(response.status), r);
    MHD_destroy_response(r);
    return queued;
}

}  // namespace

struct HttpServerCallbacks {
    static enum MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char* url,
                                     const char* method, const char* version,
                                     const char* uploadData, size_t* uploadSize, void** context) {
        auto* server = static_cast<CHttpServer*>(cls);
        auto* pending = static_cast<PendingRequest*>(*context);
        if (pending == nullptr) {
            pending = new (std::nothrow) PendingRequest;
            if (pending == nullptr) {
                return MHD_NO;
            }
            *context = pending;
            // A declared length over the limit is refused before any of the
            // body is read.
            const char* length =
                MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Length");
            if (length != nullptr) {
                unsigned long long declared = 0;
                const char* end = length + std::strlen(length);
                const auto [stop, ec] = std::from_chars(length, end, declared);
                if (ec != std::errc() || declared > server->m_options.maxBodyBytes) {
                    pending->tooLarge = true;
                    return Queue(connection, CHttpServer::TooLarge());
                }
            }
            return MHD_YES;
        }
        if (*uploadSize != 0) {
            if (!pending->tooLarge) {
                if (*uploadSize > server->m_options.maxBodyBytes - pending->body.size()) {
                    pending->tooLarge = true;
                    pending->body.clear();
                    pending->body.shrink_to_fit();
                } else {
                    pending->body.append(uploadData, *uploadSize);
                }
            }
            *uploadSize = 0;
            return MHD_YES;
        }
        if (pending->tooLarge) {
            return Queue(connection, CHttpServer::TooLarge());
        }
        HttpRequest request;
        request.method = method != nullptr ? method : "";
        request.path = url != nullptr ? url : "";
        request.version = version != nullptr ? version : "";
        request.body = std::move(pending->body);
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, &CollectValue, &request.query);
        MHD_get_connection_values(connection, MHD_HEADER_KIND, &CollectValue, &request.headers);
        return Queue(connection, server->m_handler(request));
    }

    static void OnCompleted(void*, MHD_Connection*, void** context,
                            enum MHD_RequestTerminationCode) {
        delete static_cast<PendingRequest*>(*context);
        *context = nullptr;
    }
};

std::string HttpRequest::Query(std::string_view name) const {
    for (const auto& [key, value] : query) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

bool HttpRequest::HasQuery(std::string_view name) const {
    for (const auto& [key, value] : query) {
        if (key == name) {
            return true;
        }
    }
    return false;
}

std::string HttpRequest::Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (EqualsNoCase(key, name)) {
            return value;
        }
    }
    return {};
}

HttpResponse CHttpServer::TooLarge() {
    // A body, so that a receiver counts the request as answered and does
    // not send it again and again.
    return HttpResponse{413, "text/plain; charset=utf-8", "ERROR: request too large", {}};
}

CHttpServer::CHttpServer(Options options, Handler handler)
    : m_options(std::move(options)), m_handler(std::move(handler)) {}

CHttpServer::~CHttpServer() {
    Stop();
}

bool CHttpServer::Start(std::string& error) {
    Stop();
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    const sockaddr* address = nullptr;
    if (m_options.ipv6) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<uint16_t>(m_options.port));
        if (inet_pton(AF_INET6, m_options.address.c_str(), &v6.sin6_addr) != 1) {
            error = "not an IPv6 address: " + m_options.address;
            return false;
        }
        address = reinterpret_cast<const sockaddr*>(&v6);
    } else {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<uint16_t>(m_options.port));
        if (inet_pton(AF_INET, m_options.address.c_str(), &v4.sin_addr) != 1) {
            error = "not an IPv4 address: " + m_options.address;
            return false;
        }
        address = reinterpret_cast<const sockaddr*>(&v4);
    }
    unsigned int flags = MHD_USE_AUTO | MHD_USE_INTERNAL_POLLING_THREAD;
    if (m_options.ipv6) {
        flags |= MHD_USE_IPv6;
    }
    m_daemon = MHD_start_daemon(
        flags, static_cast<uint16_t>(m_options.port), nullptr, nullptr,
        &HttpServerCallbacks::OnRequest, this, MHD_OPTION_SOCK_ADDR, address,
        MHD_OPTION_THREAD_POOL_SIZE, static_cast<unsigned int>(m_options.threads),
        MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned int>(m_options.idleTimeoutSeconds),
        MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned int>(m_options.maxConnections),
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, static_cast<unsigned int>(m_options.connectionsPerIp),
        MHD_OPTION_NOTIFY_COMPLETED, &HttpServerCallbacks::OnCompleted, this, MHD_OPTION_END);
    if (m_daemon == nullptr) {
        error = "cannot listen on " + m_options.address + " port " +
                std::to_string(m_options.port) + " (in use, or not an address of this machine)";
        return false;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    m_port = info != nullptr ? info->port : m_options.port;
    return true;
}

void CHttpServer::Stop() {
    if (m_daemon != nullptr) {
        MHD_stop_daemon(m_daemon);
        m_daemon = nullptr;
    }
}

}  // namespace wavelore::service
