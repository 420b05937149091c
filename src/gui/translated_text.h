#pragma once

#include <QString>
#include <string_view>

#include "common/user_text.h"

namespace wavelore {

// The translation context of the core's texts.
constexpr const char* kCoreTextContext = "CoreText";

// One of the core's texts in the interface's language, its arguments filled
// in (the arguments themselves, paths and system reasons, stay as they are).
QString TranslateUserText(const UserText& text);

// A core text (a name, a path, a day) as Qt holds it.
QString ToQString(std::u16string_view text);

}  // namespace wavelore
