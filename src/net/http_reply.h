#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wavelore {

// What a server sent back for one request, as the transport hands it over:
// the status line and header lines one at a time (with their line ends),
// then the body in pieces. Kept apart from the transport so that the rules
// can be driven with any bytes, without a socket.
class CHttpReply {
  public:
    // A header block that grows past this is not an HTTP reply we can use.
    static constexpr size_t kMaxHeaderBlock = 64 * 1024;
    // Body bytes kept; a longer reply is cut here (every reader's capacity
    // is far smaller).
    static constexpr size_t kMaxKeptBody = 1 << 20;

    // Other bounds are for tests, which reach them with a few bytes.
    explicit CHttpReply(size_t maxHeaderBlock = kMaxHeaderBlock, size_t maxKeptBody = kMaxKeptBody)
        : m_maxHeaderBlock(maxHeaderBlock), m_maxKeptBody(maxKeptBody) {}

    // Forgets everything; a new request starts from here.
    void Clear();

    // One line of the header block. A status line ("HTTP/...") starts the
    // block again, so only the final reply's block is kept after interim
    // ones. False when the block would grow past its bound: the transfer
    // should stop.
    bool AddHeaderLine(std::string_view line);
    // Body bytes; returns how many were kept, fewer than given once the
    // body's bound is reached.
    size_t AddBody(std::string_view data);

    bool HeadersComplete() const { return m_headersComplete; }
    bool BodyFull() const { return m_body.size() >= m_maxKeptBody; }

    // Copies the reply as HttpClient::ReadReply hands it out: the body cut
    // at bodyCapacity (whatever arrived, even when the headers fail), and
    // the header block whole when it is complete and fits headerCapacity
    // (else headers is left empty). Returns 0, or the HttpClient error code
    // for no complete header block, one that does not fit, or an empty body.
    uint32_t Read(std::string& headers, size_t headerCapacity, std::string& body,
                  size_t bodyCapacity) const;

  private:
    size_t m_maxHeaderBlock;
    size_t m_maxKeptBody;
    bool m_headersComplete = false;
    std::string m_headers;
    std::string m_body;
};

// The reply as text: read as a terminated string, so it ends at the first
// zero byte, and converted from UTF-8.
std::u16string ReplyText(std::string_view body);

}  // namespace wavelore
