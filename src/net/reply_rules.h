#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wavelore {

// How the service's replies to the upload ID test and the version check are
// shown. Pure functions: the dialogs only display what these decide. Texts
// carry their string-table numbers so a translation can replace them.

enum class BoxIcon { Error, Information, Question };

struct ReplyBox {
    int textId = 0;  // 0: the text is the reply itself
    std::u16string text;
    int captionId = 0;
    std::u16string caption;
    BoxIcon icon = BoxIcon::Information;
    bool yesNo = false;  // Yes and No buttons instead of OK
};

// The built-in English text of a string-table number used here, or empty.
std::u16string ReplyString(int id);

// The box shown for the upload ID test's answer (status as in
// WM_UPLOAD_RESULT; reply null when none arrived).
ReplyBox UploadTestOutcome(int status, const std::optional<std::u16string>& reply);

// 36 characters, hyphens at positions 9, 14, 19 and 24 (from 1), hex digits
// elsewhere, either case.
bool IsUploadIdForm(std::u16string_view text);
// ASCII upper case; an ID is stored and sent this way.
std::u16string UpperCaseId(std::u16string_view text);

// The version check's reply "code,text": code 1 offers the download page,
// code 2 informs. Nothing (nullopt) for a failed check, a missing comma or
// text, or any other code.
std::optional<ReplyBox> VersionCheckOutcome(int status, const std::optional<std::u16string>& reply);

// The leading integer of a reply, read as the C library does: leading white
// space and a sign allowed, 0 when there are no digits, saturated at the
// int range.
int LeadingInteger(std::u16string_view text);

}  // namespace wavelore
