#pragma once

#include <string>
#include <string_view>

namespace wavelore {

// The upload service's host. The built-in name is a placeholder under a
// reserved domain: uploads go nowhere until the setting names a real
// collection service (a user's own, or 127.0.0.1 in tests).
constexpr std::u16string_view kDefaultUploadHost = u"upload.wavelore.example";
// Settings value (section "Settings") that overrides the built-in host.
constexpr std::u16string_view kUploadHostSetting = u"UploadHost";
constexpr int kDefaultUploadPort = 80;

struct UploadHost {
    std::u16string name;  // host name, IPv4 literal, or IPv6 literal without brackets
    int port = kDefaultUploadPort;
};

// Accepts "host", "host:port", "[v6]" and "[v6]:port" with a port of
// 1..65535. Refuses schemes, paths, user info, spaces and empty labels.
bool ParseUploadHost(std::u16string_view text, UploadHost& out);

// The host to use: the setting when it is a valid host, else the default.
// rejected (optional) tells whether a non-empty setting was refused.
std::u16string ChooseUploadHost(std::u16string_view setting, bool* rejected = nullptr);

// Pages of the service's web site, on the same host.
std::u16string SignUpPageUrl(std::u16string_view host);
std::u16string DownloadPageUrl(std::u16string_view host);

}  // namespace wavelore
