#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct MHD_Daemon;

namespace wavelore::service {

struct HttpRequest {
    std::string method;                                        // "GET", "POST", ...
    std::string path;                                          // without the query
    std::string version;                                       // "HTTP/1.0", "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> query;    // decoded
    std::vector<std::pair<std::string, std::string>> headers;  // names as sent
    std::string body;

    // The first query parameter of that name, or empty.
    std::string Query(std::string_view name) const;
    bool HasQuery(std::string_view name) const;
    // A header by name, case-insensitive; empty when absent.
    std::string Header(std::string_view name) const;
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// The HTTP server under the service, over libmicrohttpd: a pool of threads,
// each with its own event loop over many connections, so slow or idle
// clients hold no thread. Request bodies are bounded, idle connections
// time out, and the number of connections is capped. The handler runs on
// the pool's threads, several at once.
class CHttpServer {
  public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    struct Options {
        std::string address = "127.0.0.1";  // IPv4 or IPv6 literal
        bool ipv6 = false;
        int port = 8080;  // 0: any free port (Port() tells which)
        int threads = 4;
        size_t maxBodyBytes = 256 * 1024;
        int idleTimeoutSeconds = 30;
        int maxConnections = 1000;
        int connectionsPerIp = 0;  // 0: no limit
    };

    CHttpServer(Options options, Handler handler);
    ~CHttpServer();
    CHttpServer(const CHttpServer&) = delete;
    CHttpServer& operator=(const CHttpServer&) = delete;

    // Binds and starts the threads; false with error set.
    bool Start(std::string& error);
    // Stops accepting and waits for the threads; also done by the destructor.
    void Stop();
    int Port() const { return m_port; }

    // The answers the server gives itself: a body over the limit.
    static HttpResponse TooLarge();

  private:
    friend struct HttpServerCallbacks;

    Options m_options;
    Handler m_handler;
    MHD_Daemon* m_daemon = nullptr;
    int m_port = 0;
};

}  // namespace wavelore::service
