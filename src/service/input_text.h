#pragma once

#include <string>
#include <string_view>

namespace wavelore::service {

// Text from a client as the service keeps and shows it: valid UTF-8 (each
// bad byte becomes U+FFFD) and no NUL, which no database column takes.
std::string CleanInputText(std::string_view text);

// Percent-escapes (%XX) decoded; with plusIsSpace a "+" is a space, as in
// URL-encoded forms. A "%" not followed by two hexadecimal digits stays.
std::string PercentDecode(std::string_view text, bool plusIsSpace);

}  // namespace wavelore::service
