#pragma once

#include <string_view>

namespace wavelore {

// The subject indicator B2 of a NAVTEX header as a category text.
class SubjectTable {
  public:
    // The category of b2 after narrowing: the texts of A to L, "?" for M to
    // U, "Special" for V to Y, "No messsage" for Z, and "?" for anything that
    // is not a letter A-Z.
    static std::u16string_view Category(char16_t b2);
    // A, B, C and D (navigational and meteorological warnings, ice, search
    // and rescue) are the subjects the explorer marks as important.
    static bool IsImportant(char16_t b2);
};

}  // namespace wavelore
