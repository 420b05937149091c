#pragma once

// The upload request as it must go over the wire, written out by hand so
// the tests do not share the code under test.

#include <string>
#include <utility>
#include <vector>

namespace wavelore::test {

// The whole request to host carrying parts (name, value already escaped),
// in order.
inline std::string UploadRequestOnTheWire(
    const std::string& host, const std::vector<std::pair<std::string, std::string>>& parts) {
    std::string body;
    for (const auto& [name, value] : parts) {
        body += "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\nContent-Disposition: form-data; name=\"" +
                name +
                "\"\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n"
                "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
                value + "\r\n";
    }
    body += "----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n";
    return "POST /cgi-bin/navtex/navtex_upload.cgi HTTP/1.0\r\nHost: " + host +
           "\r\nUser-Agent: Wavelore v2.1.2\r\nAccept: */*\r\n"
           "Content-Type: multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The value of one text part in a recorded multipart request.
inline std::string PartValue(const std::string& request, const std::string& name) {
    const std::string head = "name=\"" + name + "\"\r\n";
    size_t at = request.find(head);
    if (at == std::string::npos || (at = request.find("\r\n\r\n", at)) == std::string::npos) {
        return {};
    }
    at += 4;
    const size_t end = request.find("\r\n----MULTI-PARTS-FORM-DATA-BOUNDARY", at);
    return end == std::string::npos ? std::string() : request.substr(at, end - at);
}

}  // namespace wavelore::test
