#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace wavelore {

// One form field of a multipart POST. Values are sent unchanged: upload
// values arrive already percent-escaped, whatever the part header declares.
struct FormField {
    static constexpr int32_t kText = 1;
    static constexpr int32_t kFile = 2;  // value is a file path

    std::u16string name;
    std::u16string value;
    int32_t kind = kText;
};

// The HTTP transport the upload worker drives, one instance per exchange:
// Open, ResetFields, AddField..., Send, ReadReply, Close. Operations return 1
// for success and 0 for failure, with LastError() saying why. The field list
// lives here; derived classes do the network part, so tests can put a fake
// transport under the worker.
class HttpClient {
  public:
    // Send kinds; any other value is a GET.
    static constexpr int kFormPost = 2;
    static constexpr int kMultipartPost = 3;

    static constexpr size_t kMaxNameLength = 255;     // UTF-16 units
    static constexpr size_t kMaxValueLength = 65535;  // UTF-16 units

    // The two leading hyphens belong to the boundary, so every delimiter
    // line of the body starts with four.
    static constexpr std::string_view kBoundary = "--MULTI-PARTS-FORM-DATA-BOUNDARY";

    // LastError() codes of our own; transport failures keep the library's
    // code, which is always below these.
    static constexpr uint32_t kErrorNoRequest = 0x10001;        // nothing sent yet
    static constexpr uint32_t kErrorHeadersTooLarge = 0x10002;  // header capacity
    static constexpr uint32_t kErrorNoHeaders = 0x10003;        // no reply header block
    static constexpr uint32_t kErrorBadArgument = 0x10004;      // host, port or path unusable
    static constexpr uint32_t kErrorBody = 0x10005;             // body could not be built
    static constexpr uint32_t kErrorNotOpen = 0x10006;          // Send before a good Open
    static constexpr uint32_t kErrorEmptyBody = 0x10007;        // reply without a body

    HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;
    virtual ~HttpClient() = default;

    // server: host name or IP literal; port: 1..65535; user and password may
    // be empty (no authentication).
    virtual int Open(std::u16string_view server, std::u16string_view userAgent, int port,
                     std::u16string_view user, std::u16string_view password) = 0;
    // One request for the object path: kMultipartPost sends the fields as
    // multipart/form-data, kFormPost an empty urlencoded form, others GET.
    virtual int Send(std::u16string_view path, int kind) = 0;
    // Copies the reply of the last Send: the raw header block (status line
    // and headers, CR LF separated) must fit headerCapacity bytes, the body
    // is cut at bodyCapacity bytes. Fails when there are no headers, they do
    // not fit, or the body is empty. The HTTP status is not examined.
    virtual int ReadReply(std::string& headers, size_t headerCapacity, std::string& body,
                          size_t bodyCapacity) = 0;
    // Ends the exchange; always 1.
    virtual int Close() = 0;

    void ResetFields() { m_fields.clear(); }
    // Silently ignores a name over 255 or a value over 65,535 UTF-16 units.
    void AddField(std::u16string_view name, std::u16string_view value, bool file);
    const std::vector<FormField>& Fields() const { return m_fields; }

    uint32_t LastError() const { return m_lastError; }
    // The last Send reached no server: the name could not be looked up, no
    // connection was made, or nothing came back in time. A server that
    // answered, however badly, was reached.
    bool Unreachable() const { return m_unreachable; }

    // A flag another thread may set to abandon a running exchange (used when
    // the owning worker is destroyed); null for none.
    void SetCancelFlag(const std::atomic<bool>* flag) { m_cancel = flag; }

    // The multipart body of the fields: one text part per text field, a
    // file part per file field, then the closing delimiter. Sized from the
    // data, so a long message is never cut. False when a file part's file
    // cannot be read or memory runs out.
    static bool BuildBody(const std::vector<FormField>& fields, std::string& body);

  protected:
    void SetLastError(uint32_t code) { m_lastError = code; }
    void SetUnreachable(bool unreachable) { m_unreachable = unreachable; }
    bool Cancelled() const { return m_cancel != nullptr && m_cancel->load(); }

  private:
    std::vector<FormField> m_fields;
    uint32_t m_lastError = 0;
    bool m_unreachable = false;
    const std::atomic<bool>* m_cancel = nullptr;
};

// The transport over libcurl. HTTP/1.0, Accept: */*, no proxy for loopback
// addresses, no redirects followed. Every exchange is bounded in time, so a
// server that is down, slow or silent never holds the worker for long.
class CHttpClient final : public HttpClient {
  public:
    // Defaults: 10 s to connect, 30 s for the whole exchange.
    static constexpr long kDefaultConnectTimeoutMs = 10000;
    static constexpr long kDefaultTransferTimeoutMs = 30000;

    // Calls InitLibrary, so a client made first on some thread is still
    // safe; owners that start client threads call it before (the upload
    // worker's Start does).
    CHttpClient();
    ~CHttpClient() override;

    // Initialises libcurl for the process, once: the first call does it,
    // later and concurrent ones wait for it and return its result. Call it
    // before the first thread that makes clients starts, because the
    // library's set-up may not run beside other threads. It is never undone;
    // the process's end releases it. False when the library cannot start
    // (every Open then fails).
    static bool InitLibrary();

    // connectMs: 1..; transferMs: 1.. (whole exchange including connect).
    void SetTimeouts(long connectMs, long transferMs);

    int Open(std::u16string_view server, std::u16string_view userAgent, int port,
             std::u16string_view user, std::u16string_view password) override;
    int Send(std::u16string_view path, int kind) override;
    int ReadReply(std::string& headers, size_t headerCapacity, std::string& body,
                  size_t bodyCapacity) override;
    int Close() override;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace wavelore
