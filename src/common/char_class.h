#pragma once

namespace wavelore {

// Character classes of UTF-16 code units as Unicode defines them, the same
// in every process locale (the C library's isw* functions know only ASCII in
// the "C" locale, and iswdigit is ASCII-only everywhere).
//
// Coverage: the Basic Multilingual Plane of Unicode 14. Surrogate halves
// belong to no class.
//   IsSpace: the White_Space property (tab, line feed, vertical tab, form
//            feed, carriage return, space, U+0085, no-break spaces, the
//            U+2000 block spaces, line and paragraph separators, U+3000).
//   IsAlpha: general categories L* and Nl, which covers Latin, Greek,
//            Cyrillic, the fullwidth forms (U+FF21.., U+FF41..), kana, CJK
//            ideographs and Hangul. Combining vowel signs, which Unicode's
//            Alphabetic property also holds, are not letters here.
//   IsDigit: general category Nd: ASCII, fullwidth (U+FF10..U+FF19) and the
//            decimal digits of the other scripts.
//   IsPrint: everything that takes a place in text: all but the control
//            characters (Cc), the surrogate halves and the noncharacters
//            U+FDD0..U+FDEF, U+FFFE and U+FFFF. Every letter, digit and
//            non-control space is printable.
bool IsSpace(char16_t c);
bool IsAlpha(char16_t c);
bool IsDigit(char16_t c);
bool IsPrint(char16_t c);

}  // namespace wavelore
