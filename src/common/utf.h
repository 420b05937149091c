#pragma once

#include <string>
#include <string_view>

namespace wavelore {

// UTF-16 <-> UTF-8. Unpaired surrogates become U+FFFD; invalid UTF-8
// sequences become U+FFFD, one per bad byte.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace wavelore
