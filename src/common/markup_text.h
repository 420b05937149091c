#pragma once

#include <string>
#include <string_view>

namespace wavelore {

// UTF-8 text as XML or HTML character data or attribute value: & < > " '
// escaped, and the control characters XML does not allow (all below U+0020
// but tab, line feed and carriage return) shown as U+FFFD.
std::string EscapeMarkup(std::string_view utf8);

}  // namespace wavelore
