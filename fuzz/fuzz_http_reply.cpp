// Reading what a server sends back: the reply as the transport hands it
// over (header lines, then body pieces), read with the capacities the
// upload worker uses or smaller, then taken as the upload ID test's and
// the version check's answer.
//
// Input: byte 0 is the body piece length - 1; byte 1 chooses the header
// capacity (even: the worker's 1023 bytes, odd: byte * 64); bytes 2 and 3
// choose the bounds of the header block and the kept body (0: the
// transport's, 64 KB and 1 MB; else byte * 16 bytes, so that a short input
// reaches them). Then the bytes as the server sent them: lines up to and
// including a blank line are the header block (another block follows when
// the next line is a status line, as after "100 Continue"), the rest is
// the body.
// Checks: a read hands out at most the capacities, a good read has a
// header block ending in a blank line and a body, and the reply text stops
// before any zero byte.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "net/http_reply.h"
#include "net/reply_rules.h"
#include "net/upload_worker.h"

using wavelore::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wavelore::fuzz::CFuzzInput in(data, size);
    const size_t piece = in.Byte() + size_t{1};
    const uint8_t capacityChoice = in.Byte();
    const size_t headerCapacity = capacityChoice % 2 == 0 ? wavelore::CUploadWorker::kReplyCapacity
                                                          : capacityChoice * size_t{64};
    const size_t headerBound = in.Byte() * size_t{16};
    const size_t bodyBound = in.Byte() * size_t{16};
    std::string_view stream = in.Rest();

    wavelore::CHttpReply reply(
        headerBound == 0 ? wavelore::CHttpReply::kMaxHeaderBlock : headerBound,
        bodyBound == 0 ? wavelore::CHttpReply::kMaxKeptBody : bodyBound);
    bool stopped = false;
    bool inHeaders = true;
    while (inHeaders && !stream.empty() && !stopped) {
        const size_t end = stream.find('\n');
        const std::string_view line = stream.substr(0, end == stream.npos ? end : end + 1);
        stream.remove_prefix(line.size());
        stopped = !reply.AddHeaderLine(line);
        if (line == "\r\n" || line == "\n") {
            inHeaders = stream.starts_with("HTTP/");
        }
    }
    while (!stream.empty() && !stopped) {
        const std::string_view part = stream.substr(0, piece);
        stream.remove_prefix(part.size());
        stopped = reply.AddBody(part) < part.size();
    }

    std::string headers;
    std::string body;
    const uint32_t error =
        reply.Read(headers, headerCapacity, body, wavelore::CUploadWorker::kReplyCapacity);
    Require(
        headers.size() <= headerCapacity && body.size() <= wavelore::CUploadWorker::kReplyCapacity,
        "a read beyond its capacity");
    if (error != 0) {
        return 0;
    }
    Require(headers.ends_with("\n") && !body.empty(), "a good read without headers or body");
    const std::u16string text = wavelore::ReplyText(body);
    Require(text.find(u'\0') == std::u16string::npos, "the reply text holds a zero");
    for (const int status : {-1, 0, 1}) {
        const wavelore::ReplyBox box = wavelore::UploadTestOutcome(status, text);
        Require(box.textId != 0 || box.text == text, "a box shows neither its text nor the reply");
        const std::optional<wavelore::ReplyBox> version =
            wavelore::VersionCheckOutcome(status, text);
        Require(!version || (status > 0 && !version->text.empty()),
                "a version box for a failed check or without text");
    }
    return 0;
}
