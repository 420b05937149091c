#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "geo/warning_geometry.h"

namespace wavelore {

// The reader's view of a text: one byte per UTF-16 unit, so offsets carry
// over. ASCII letters in upper case, fullwidth forms as their ASCII
// counterparts, every space as ' ' and every line end as '\n', degree
// signs as kDegreeMark, primes and typographic quotes as ' and ", dashes
// and the minus sign as '-', kana, CJK and Hangul as kWideLetter, other
// letters as kOtherLetter and anything else as kOtherMark. Japanese
// positions read as prefixed ones: 北緯 as " N", 東経 as " E", 度 as a
// degree sign, 分 and 秒 as minute and second marks, 、 as a comma.
inline constexpr char kDegreeMark = '\x01';
inline constexpr char kOtherMark = '\x02';
inline constexpr char kOtherLetter = '\x03';
inline constexpr char kWideLetter = '\x04';
std::string ReadingView(std::u16string_view text);

// The character at i, or '\0' past the end.
inline char CharAt(std::string_view view, size_t i) {
    return i < view.size() ? view[i] : '\0';
}
inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool IsReadingLetter(char c) {
    return (c >= 'A' && c <= 'Z') || c == kOtherLetter;
}
inline bool IsReadingSpace(char c) {
    return c == ' ' || c == '\n';
}

// A latitude and longitude found in a reading view, and where they stand.
struct FoundPosition {
    GeoPosition position;
    size_t begin = 0;  // the latitude's first character
    size_t end = 0;    // one past the longitude's hemisphere letter
};

// Every latitude-longitude pair in a reading view, in text order. A
// latitude is degrees, minutes and seconds (or degrees, or degrees and
// minutes) with a decimal fraction on the last, followed by N or S; then
// the longitude likewise with E or W, after nothing but spaces, line ends,
// commas, slashes, dashes or the word LONG. The forms:
//   54-12.5N  54-12N  54-12-30N  54-12-30.5N   hyphens (or a degree sign,
//                                              minute and second marks)
//   5412.5N  5412N  541230N  54N  54.208N      digits alone: their count
//                                              says degrees, minutes, seconds
//   54 12.5N  54 12.5 N                        a space between degrees and
//                                              minutes; a space before the
//                                              hemisphere letter (not after
//                                              bare degrees: 3 S, 10 E)
//   N54-12.5 E003-40.2                         the hemisphere first, for both
// A decimal comma is taken only right before the hemisphere letter
// (54-12,5N). The hemisphere letter must not start a word (5 NM is a
// distance), minutes and seconds stay below 60 and degrees within 90 and
// 180, and a pair is all there is: a lone latitude is no position. Numbers
// inside other numbers (231/24, 4209.5, 12:54) are never a latitude's start.
//
// With lone given, the latitudes and longitudes that stand on their own
// (hemisphere letter after them) go there, in text order: the parallels and
// meridians of "BETWEEN 54N AND 55N, 003E AND 004E".
struct FoundCoordinate {
    double degrees = 0.0;  // signed
    bool latitude = true;
    size_t begin = 0;
    size_t end = 0;
};
std::vector<FoundPosition> FindPositions(std::string_view view,
                                         std::vector<FoundCoordinate>* lone = nullptr);

}  // namespace wavelore
