#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/program_version.h"

namespace wavelore {

// Object requested and first form field of every upload.
constexpr std::u16string_view kUploadPath = u"/cgi-bin/navtex/navtex_upload.cgi";
constexpr std::u16string_view kUploadUserAgent = kProgramUserAgent;

// One upload: eleven text fields in a fixed order, plus the version-check
// flag that appends VERSIONCHECK=TRUE. Message uploads, the upload ID test
// and the version check all use it.
// Qt defines "slots" as a macro; the field keeps its name after Qt's
// headers too (code that reads it must still come before them).
#pragma push_macro("slots")
#undef slots
struct UploadRequest {
    enum Slot : size_t {
        kPath,
        kUid,
        kVersion,
        kDate,
        kTime,
        kNavarea,
        kStation,
        kNumber,
        kMessage,
        kType,
        kQuality,
        kSlotCount,
    };
    static constexpr std::array<std::u16string_view, kSlotCount> kFieldNames = {
        u"PATH",    u"UID",    u"VERSION", u"DATE", u"TIME",    u"NAVAREA",
        u"STATION", u"NUMBER", u"MESSAGE", u"TYPE", u"QUALITY",
    };

    std::array<std::u16string, kSlotCount> slots;
    uint8_t versionCheck = 0;
};
#pragma pop_macro("slots")

// Payload of WM_UPLOAD_REQUEST: the request and the service host
// ("host" or "host:port") it goes to.
struct UploadJob {
    std::u16string host;
    UploadRequest request;
};

// Payload of WM_UPLOAD_RESULT (lParam: 1 reply received, 0 request or reply
// failed, -1 no connection: set-up failed or the service was unreachable).
// The request and host come back so the owner can send them again.
struct UploadResult {
    std::optional<std::u16string> reply;
    UploadRequest request;
    std::u16string host;
};

// Statuses carried in WM_UPLOAD_RESULT's lParam.
constexpr int kUploadReplied = 1;
constexpr int kUploadFailed = 0;
constexpr int kUploadSetupFailed = -1;

// Percent-escapes each UTF-16 unit that is <= 32, >= 123 or one of
// " < > % \ ^ [ ] ` + $ , @ : ; / ! # ? = & as upper-case hex with at
// least two digits (0x3A -> %3A, 0x09 -> %09, 0x20AC -> %20AC).
std::u16string UrlEscape(std::u16string_view text);

// Every byte as %XX, upper-case hex.
std::u16string PercentEscapeAll(std::string_view bytes);

// MESSAGE field value: the text's UTF-8 bytes and a terminating zero byte,
// all percent-escaped, so the value always ends in %00.
std::u16string EscapeMessageText(std::u16string_view text);

// The request of the upload ID test (versionCheck false) or the version
// check (true): path, ID, version, and empty message fields.
UploadRequest MakeServiceRequest(std::u16string_view uid, bool versionCheck);

}  // namespace wavelore
