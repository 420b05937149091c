#include "net/upload_request.h"

#include "common/utf.h"

namespace wavelore {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
constexpr std::u16string_view kUrlReserved = u"\"<>%\\^[]`+$,@:;/!#?=&";

}  // namespace

std::u16string UrlEscape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c > 32 && c < 123 && kUrlReserved.find(c) == std::u16string_view::npos) {
            out += c;
            continue;
        }
        std::u16string digits;
        for (unsigned v = c; v != 0; v >>= 4) {
            digits.insert(digits.begin(), kHexDigits[v & 0xF]);
        }
        while (digits.size() < 2) {
            digits.insert(digits.begin(), u'0');
        }
        out += u'%';
        out += digits;
    }
    return out;
}

std::u16string PercentEscapeAll(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size() * 3);
    for (char b : bytes) {
        const auto v = static_cast<unsigned char>(b);
        out += u'%';
        out += kHexDigits[v >> 4];
        out += kHexDigits[v & 0xF];
    }
    return out;
}

std::u16string EscapeMessageText(std::u16string_view text) {
    std::string bytes = ToUtf8(text);
    bytes.push_back('\0');
    return PercentEscapeAll(bytes);
}

UploadRequest MakeServiceRequest(std::u16string_view uid, bool versionCheck) {
    UploadRequest request;
    request.slots[UploadRequest::kPath] = kUploadPath;
    request.slots[UploadRequest::kUid] = uid;
    request.slots[UploadRequest::kVersion] = kProgramVersion;
    request.versionCheck = versionCheck ? 1 : 0;
    return request;
}

}  // namespace wavelore
