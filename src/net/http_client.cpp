#include "net/http_client.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>

#include "common/utf.h"

namespace wavelore {

namespace {

// No content-type registry to ask here; every file goes out as bytes.
constexpr std::string_view kFileContentType = "application/octet-stream";

bool AppendFile(std::string& body, const std::u16string& path) {
    std::ifstream in(std::filesystem::path(ToUtf8(path)), std::ios::binary);
    if (!in) {
        return false;
    }
    body.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

void HttpClient::AddField(std::u16string_view name, std::u16string_view value, bool file) {
    if (name.size() > kMaxNameLength || value.size() > kMaxValueLength) {
        return;
    }
    m_fields.push_back(FormField{std::u16string(name), std::u16string(value),
                                 file ? FormField::kFile : FormField::kText});
}

bool HttpClient::BuildBody(const std::vector<FormField>& fields, std::string& body) {
    // The parts are plain ASCII around the name and value, so converting the
    // pieces one by one gives the same bytes as converting the whole part.
    try {
        body.clear();
        for (const FormField& field : fields) {
            body += "--";
            body += kBoundary;
            body += "\r\nContent-Disposition: form-data; name=\"";
            body += ToUtf8(field.name);
            if (field.kind == FormField::kFile) {
                body += "\"; filename=\"";
                body += ToUtf8(field.value);
                body += "\"\r\nContent-Type: ";
                body += kFileContentType;
                body += "\r\n\r\n";
                if (!AppendFile(body, field.value)) {
                    return false;
                }
                body += "\r\n";
            } else {
                body +=
                    "\"\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n"
                    "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
                body += ToUtf8(field.value);
                body += "\r\n";
            }
        }
        body += "--";
        body += kBoundary;
        body += "--\r\n";
    } catch (const std::bad_alloc&) {
        body.clear();
        return false;
    }
    return true;
}

}  // namespace wavelore
