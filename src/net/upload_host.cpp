#include "net/upload_host.h"

#include <algorithm>

namespace wavelore {

namespace {

bool IsAlnum(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool IsHex(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Dot-separated labels of letters, digits, hyphens and underscores.
bool IsHostName(std::u16string_view name) {
    if (name.empty() || name.size() > 253) {
        return false;
    }
    size_t start = 0;
    for (;;) {
        const size_t dot = name.find(u'.', start);
        const std::u16string_view label = name.substr(start, dot - start);
        if (label.empty() || label.size() > 63 ||
            !std::all_of(label.begin(), label.end(),
                         [](char16_t c) { return IsAlnum(c) || c == u'-' || c == u'_'; })) {
            return false;
        }
        if (dot == std::u16string_view::npos) {
            return true;
        }
        start = dot + 1;
    }
}

bool IsIpv6Literal(std::u16string_view text) {
    return text.size() >= 2 && text.find(u':') != std::u16string_view::npos &&
           std::all_of(text.begin(), text.end(),
                       [](char16_t c) { return IsHex(c) || c == u':' || c == u'.'; });
}

bool ParsePort(std::u16string_view text, int& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
        value = value * 10 + (c - u'0');
    }
    if (value < 1 || value > 65535) {
        return false;
    }
    port = value;
    return true;
}

std::u16string PageUrl(std::u16string_view host, std::u16string_view pathAndQuery) {
    std::u16string url = u"http://";
    url += host;
    url += pathAndQuery;
    return url;
}

}  // namespace

bool ParseUploadHost(std::u16string_view text, UploadHost& out) {
    std::u16string_view name;
    std::u16string_view portText;
    bool hasPort = false;
    if (!text.empty() && text.front() == u'[') {
        const size_t close = text.find(u']');
        if (close == std::u16string_view::npos) {
            return false;
        }
        name = text.substr(1, close - 1);
        const std::u16string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != u':') {
                return false;
            }
            portText = rest.substr(1);
            hasPort = true;
        }
        if (!IsIpv6Literal(name)) {
            return false;
        }
    } else {
        const size_t colon = text.find(u':');
        name = text.substr(0, colon);
        if (colon != std::u16string_view::npos) {
            portText = text.substr(colon + 1);
            hasPort = true;
        }
        if (!IsHostName(name)) {
            return false;
        }
    }
    int port = kDefaultUploadPort;
    if (hasPort && !ParsePort(portText, port)) {
        return false;
    }
    out.name = std::u16string(name);
    out.port = port;
    return true;
}

std::u16string ChooseUploadHost(std::u16string_view setting, bool* rejected) {
    UploadHost parsed;
    const bool valid = !setting.empty() && ParseUploadHost(setting, parsed);
    if (rejected != nullptr) {
        *rejected = !setting.empty() && !valid;
    }
    return valid ? std::u16string(setting) : std::u16string(kDefaultUploadHost);
}

std::u16string SignUpPageUrl(std::u16string_view host) {
    return PageUrl(host, u"/cgi-bin/navtex/register.cgi");
}

std::u16string DownloadPageUrl(std::u16string_view host) {
    return PageUrl(host, u"/navtex/?id=decoder");
}

}  // namespace wavelore
