#include "net/reply_rules.h"

#include <climits>

namespace wavelore {

namespace {

constexpr int kUpgradeAvailable = 111;
constexpr int kInformation = 112;
constexpr int kWelcome = 113;
constexpr int kServerResponse = 114;
constexpr int kIdSetup = 115;
constexpr int kNotRecognised = 116;
constexpr int kCouldNotRead = 117;
constexpr int kRequestFailed = 118;
constexpr int kConnectionDown = 119;

ReplyBox Box(int textId, std::u16string text, int captionId, BoxIcon icon) {
    ReplyBox box;
    box.textId = textId;
    box.text = std::move(text);
    box.captionId = captionId;
    box.caption = ReplyString(captionId);
    box.icon = icon;
    return box;
}

ReplyBox StringBox(int textId, int captionId, BoxIcon icon) {
    return Box(textId, ReplyString(textId), captionId, icon);
}

bool Contains(std::u16string_view text, std::u16string_view part) {
    return text.find(part) != std::u16string_view::npos;
}

bool IsHex(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsCSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

std::u16string ReplyString(int id) {
    switch (id) {
        case kUpgradeAvailable:
            return u"Upgrade available";
        case kInformation:
            return u"Information";
        case kWelcome:
            return u"Connection okay, welcome %s!";
        case kServerResponse:
            return u"Server response";
        case kIdSetup:
            return u"Registration";
        case kNotRecognised:
            return u"Sorry, that UID is not recognised";
        case kCouldNotRead:
            return u"Could not read server response.";
        case kRequestFailed:
            return u"Request failed";
        case kConnectionDown:
            return u"Request failed.\nInternet connection or server may be down.";
        default:
            return {};
    }
}

ReplyBox UploadTestOutcome(int status, const std::optional<std::u16string>& reply) {
    if (status < 0) {
        return StringBox(kConnectionDown, kRequestFailed, BoxIcon::Error);
    }
    if (status == 0 || !reply) {
        return StringBox(kCouldNotRead, kRequestFailed, BoxIcon::Error);
    }
    const std::u16string& text = *reply;
    if (!Contains(text, u"ERROR")) {
        std::u16string welcome = ReplyString(kWelcome);
        welcome.replace(welcome.find(u"%s"), 2, text);
        return Box(kWelcome, std::move(welcome), kServerResponse, BoxIcon::Information);
    }
    if (Contains(text, u"Client test failed")) {
        return StringBox(kNotRecognised, kIdSetup, BoxIcon::Information);
    }
    return Box(0, text, kRequestFailed, BoxIcon::Information);
}

bool IsUploadIdForm(std::u16string_view text) {
    if (text.size() != 36) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPlace ? text[i] != u'-' : !IsHex(text[i])) {
            return false;
        }
    }
    return true;
}

std::u16string UpperCaseId(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return out;
}

int LeadingInteger(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (value <= INT_MAX) {
            value = value * 10 + (text[i] - u'0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

std::optional<ReplyBox> VersionCheckOutcome(int status,
                                            const std::optional<std::u16string>& reply) {
    if (status <= 0 || !reply) {
        return std::nullopt;
    }
    const int code = LeadingInteger(*reply);
    const size_t comma = reply->find(u',');
    if (comma == std::u16string::npos || comma + 1 == reply->size()) {
        return std::nullopt;
    }
    std::u16string text = reply->substr(comma + 1);
    if (code == 1) {
        ReplyBox box = Box(0, std::move(text), kUpgradeAvailable, BoxIcon::Question);
        box.yesNo = true;
        return box;
    }
    if (code == 2) {
        return Box(0, std::move(text), kInformation, BoxIcon::Information);
    }
    return std::nullopt;
}

}  // namespace wavelore
