#pragma once

#include <string_view>

namespace wavelore {

// The program's version: in the window title, the start-up report and
// every upload.
constexpr std::u16string_view kProgramVersion = u"2.1.2";

}  // namespace wavelore
