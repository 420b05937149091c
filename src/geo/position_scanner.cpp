#include "geo/position_scanner.h"

#include <optional>
#include <utility>

#include "common/char_class.h"

namespace wavelore {

namespace {

// Longer digit runs are serial numbers or telephone numbers, never a
// coordinate, and would overflow the arithmetic below.
constexpr int kMaxDigits = 7;
constexpr int kMaxFractionDigits = 6;

// A run of digits with an optional decimal fraction.
struct NumberGroup {
    size_t end = 0;
    int digits = 0;         // before the fraction
    long whole = 0;         // their value
    double fraction = 0.0;  // 0 <= fraction < 1
    bool hasFraction = false;
};

struct Coordinate {
    double degrees = 0.0;  // unsigned
    char hemisphere = 0;
    size_t begin = 0;
    size_t end = 0;  // one past the hemisphere letter
};

char JapaneseHemisphere(char16_t c, char16_t next) {
    if (next == u'\u7DEF') {                                     // 緯, latitude
        return c == u'\u5317' ? 'N' : c == u'\u5357' ? 'S' : 0;  // 北, 南
    }
    if (next == u'\u7D4C') {                                     // 経, longitude
        return c == u'\u6771' ? 'E' : c == u'\u897F' ? 'W' : 0;  // 東, 西
    }
    return 0;
}

// Scripts written without spaces between words: their letters end an
// ASCII word as a space would.
bool IsWideScript(char16_t c) {
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) ||
           (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF66 && c <= 0xFF9F);
}

bool IsHemisphereAt(std::string_view s, size_t i, bool latitude) {
    const char c = CharAt(s, i);
    const bool letter = latitude ? (c == 'N' || c == 'S') : (c == 'E' || c == 'W');
    return letter && !IsReadingLetter(CharAt(s, i + 1));
}

// The group at i: digits, then ".digits" or, right before the hemisphere
// letter, ",digits".
std::optional<NumberGroup> ReadGroup(std::string_view s, size_t i, bool latitude) {
    NumberGroup g;
    size_t p = i;
    while (IsAsciiDigit(CharAt(s, p))) {
        if (++g.digits > kMaxDigits) {
            return std::nullopt;
        }
        g.whole = g.whole * 10 + (s[p] - '0');
        ++p;
    }
    if (g.digits == 0) {
        return std::nullopt;
    }
    const char mark = CharAt(s, p);
    if ((mark == '.' || mark == ',') && IsAsciiDigit(CharAt(s, p + 1))) {
        size_t q = p + 1;
        double scale = 0.1;
        double fraction = 0.0;
        int count = 0;
        while (IsAsciiDigit(CharAt(s, q))) {
            if (++count > kMaxFractionDigits) {
                return std::nullopt;
            }
            fraction += (s[q] - '0') * scale;
            scale /= 10;
            ++q;
        }
        // A comma is a decimal mark only where a list comma cannot stand:
        // between the last digits and the hemisphere letter.
        size_t h = q;
        if (CharAt(s, h) == '\'') {
            ++h;
        }
        if (CharAt(s, h) == ' ') {
            ++h;
        }
        if (mark == '.' || IsHemisphereAt(s, h, latitude)) {
            g.fraction = fraction;
            g.hasFraction = true;
            p = q;
        }
    }
    g.end = p;
    return g;
}

// Degrees, minutes and seconds from one run of digits whose count says
// which is which, or from up to three separate groups.
std::optional<double> Degrees(const NumberGroup* g, int count, bool latitude) {
    const int maxDegreeDigits = latitude ? 2 : 3;
    double degrees = 0.0;
    double minutes = 0.0;
    double seconds = 0.0;
    if (count == 1) {
        const long v = g[0].whole;
        const double f = g[0].fraction;
        switch (g[0].digits) {
            case 1:
            case 2:
            case 3:
                if (g[0].digits > maxDegreeDigits) {
                    // DMM: one degree digit and two of minutes.
                    degrees = static_cast<double>(v / 100);
                    minutes = static_cast<double>(v % 100) + f;
                } else {
                    degrees = static_cast<double>(v) + f;
                }
                break;
            case 4:  // DDMM
            case 5:  // DDDMM, longitudes only
                if (g[0].digits == 5 && latitude) {
                    return std::nullopt;
                }
                degrees = static_cast<double>(v / 100);
                minutes = static_cast<double>(v % 100) + f;
                break;
            case 6:  // DDMMSS
            case 7:  // DDDMMSS, longitudes only
                if (g[0].digits == 7 && latitude) {
                    return std::nullopt;
                }
                degrees = static_cast<double>(v / 10000);
                minutes = static_cast<double>(v / 100 % 100);
                seconds = static_cast<double>(v % 100) + f;
                break;
            default:
                return std::nullopt;
        }
    } else {
        if (g[0].digits > maxDegreeDigits || g[1].digits > 2 || (count == 3 && g[2].digits > 2)) {
            return std::nullopt;
        }
        degrees = static_cast<double>(g[0].whole);
        minutes = static_cast<double>(g[1].whole) + g[1].fraction;
        if (count == 3) {
            seconds = static_cast<double>(g[2].whole) + g[2].fraction;
        }
    }
    if (minutes >= 60.0 || seconds >= 60.0) {
        return std::nullopt;
    }
    const double value = degrees + minutes / 60.0 + seconds / 3600.0;
    if (value > (latitude ? 90.0 : 180.0)) {
        return std::nullopt;
    }
    return value;
}

size_t SkipSpaces(std::string_view s, size_t p) {
    while (CharAt(s, p) == ' ') {
        ++p;
    }
    return p;
}

// A coordinate whose groups start at begin: followed by its hemisphere
// letter, or, when prefix names it, preceded by it ("N54-12.5",
// "E003-40.2", and the Japanese forms read so).
std::optional<Coordinate> ReadCoordinate(std::string_view s, size_t begin, bool latitude,
                                         char prefix = 0) {
    NumberGroup groups[3];
    int count = 0;
    bool spaced = false;  // "54 12.5N": degrees and minutes apart
    size_t p = begin;
    for (;;) {
        const std::optional<NumberGroup> g = ReadGroup(s, p, latitude);
        if (!g) {
            return std::nullopt;
        }
        groups[count++] = *g;
        p = g->end;
        // The marks after degrees, minutes and seconds.
        bool marked = false;
        if (count == 1 && CharAt(s, p) == kDegreeMark) {
            marked = true;
            ++p;
        } else if (count == 2 && CharAt(s, p) == '\'') {
            marked = true;
            ++p;
        } else if (count == 3 && CharAt(s, p) == '"') {
            ++p;
        } else if (count == 3 && CharAt(s, p) == '\'' && CharAt(s, p + 1) == '\'') {
            p += 2;
        }
        // "54-12.5 N", but not "3 S" or "10 E": a bare number and a letter
        // are too often something else.
        const bool bare = count == 1 && groups[0].digits <= 3 && !groups[0].hasFraction;
        const size_t h = CharAt(s, p) == ' ' && !bare ? p + 1 : p;
        if (prefix == 0 && IsHemisphereAt(s, h, latitude)) {
            const std::optional<double> degrees = Degrees(groups, count, latitude);
            if (!degrees) {
                return std::nullopt;
            }
            return Coordinate{*degrees, s[h], begin, h + 1};
        }
        const bool more = count < 3 && !g->hasFraction &&
                          (marked ? IsAsciiDigit(CharAt(s, SkipSpaces(s, p)))
                                  : CharAt(s, p) == '-' && IsAsciiDigit(CharAt(s, p + 1)));
        if (prefix != 0 && !more) {
            // Minutes or a degree sign, or "S4, W5" of a wind forecast would do.
            const char next = CharAt(s, p);
            if (IsAsciiDigit(next) || (next >= 'A' && next <= 'Z') ||
                (next == '.' && IsAsciiDigit(CharAt(s, p + 1))) || (count == 1 && !marked)) {
                return std::nullopt;
            }
            const std::optional<double> degrees = Degrees(groups, count, latitude);
            if (!degrees) {
                return std::nullopt;
            }
            return Coordinate{*degrees, prefix, begin - 1, p};
        }
        if (count == 3 || g->hasFraction || (spaced && count == 2)) {
            return std::nullopt;
        }
        if (marked) {
            p = SkipSpaces(s, p);
        } else if (CharAt(s, p) == '-') {
            ++p;
        } else if (CharAt(s, p) == ' ' && count == 1 && prefix == 0) {
            spaced = true;
            ++p;
        } else {
            return std::nullopt;
        }
        if (!IsAsciiDigit(CharAt(s, p))) {
            return std::nullopt;
        }
    }
}

// What may stand between a latitude and its longitude.
size_t SkipToLongitude(std::string_view s, size_t p) {
    const size_t start = p;
    const size_t limit = p + 16;
    while (p < limit && p < s.size()) {
        const char c = s[p];
        if (IsReadingSpace(c) || c == ',' || c == '/' || c == '-') {
            ++p;
        } else if (c == '.' && p == start && IsReadingSpace(CharAt(s, p + 1))) {
            ++p;  // "25-46.2N. 080-05.3W"
        } else if (s.substr(p, 9) == "LONGITUDE" && !IsReadingLetter(CharAt(s, p + 9))) {
            p += 9;
        } else if (s.substr(p, 4) == "LONG" && !IsReadingLetter(CharAt(s, p + 4))) {
            p += 4;
        } else if (s.substr(p, 3) == "LON" && !IsReadingLetter(CharAt(s, p + 3))) {
            p += 3;
        } else {
            break;
        }
    }
    return p;
}

// Past what joins the ends of a range: spaces, line ends, commas, dashes,
// AND and TO.
size_t SkipRangeJoiner(std::string_view s, size_t p) {
    for (;;) {
        const char c = CharAt(s, p);
        if (IsReadingSpace(c) || c == ',' || c == '-') {
            ++p;
        } else if (s.substr(p, 3) == "AND" && !IsReadingLetter(CharAt(s, p + 3))) {
            p += 3;
        } else if (s.substr(p, 2) == "TO" && !IsReadingLetter(CharAt(s, p + 2))) {
            p += 2;
        } else {
            return p;
        }
    }
}

// Whether a latitude may start at i: not inside a word, and not inside
// another number such as 4209.5, 231/24, 12:54 or 53-54.
bool StartsNumber(std::string_view s, size_t i) {
    if (i == 0) {
        return true;
    }
    const char before = s[i - 1];
    if (IsAsciiDigit(before) || IsReadingLetter(before)) {
        return false;
    }
    const bool joins = before == '.' || before == ',' || before == '/' || before == ':' ||
                       before == '-' || before == '+';
    return !(joins && i >= 2 && IsAsciiDigit(s[i - 2]));
}

// The hemisphere letter of a prefixed coordinate at i, or 0.
char PrefixAt(std::string_view s, size_t i, bool latitude) {
    const char c = CharAt(s, i);
    const bool letter = latitude ? (c == 'N' || c == 'S') : (c == 'E' || c == 'W');
    const bool starts = i == 0 || !(IsReadingLetter(s[i - 1]) || IsAsciiDigit(s[i - 1]));
    return letter && starts && IsAsciiDigit(CharAt(s, i + 1)) ? c : 0;
}

std::optional<Coordinate> ReadLatitude(std::string_view s, size_t i) {
    if (const char prefix = PrefixAt(s, i, true)) {
        return ReadCoordinate(s, i + 1, true, prefix);
    }
    if (IsAsciiDigit(CharAt(s, i)) && StartsNumber(s, i)) {
        return ReadCoordinate(s, i, true);
    }
    return std::nullopt;
}

// The longitude after a latitude, written the same way round.
std::optional<Coordinate> ReadLongitude(std::string_view s, const Coordinate& latitude,
                                        bool prefixed) {
    const size_t i = SkipToLongitude(s, latitude.end);
    if (prefixed) {
        const char prefix = PrefixAt(s, i, false);
        return prefix != 0 ? ReadCoordinate(s, i + 1, false, prefix) : std::nullopt;
    }
    return IsAsciiDigit(CharAt(s, i)) ? ReadCoordinate(s, i, false) : std::nullopt;
}

}  // namespace

std::string ReadingView(std::u16string_view text) {
    std::string view(text.size(), kOtherMark);
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
        // 北緯 34度21.5分 東経 133度45.9分: the hemisphere before the number.
        const char hemisphere = JapaneseHemisphere(c, next);
        if (hemisphere != 0) {
            view[i] = ' ';
            view[++i] = hemisphere;
            continue;
        }
        if (c >= 0xFF01 && c <= 0xFF5E) {
            c = static_cast<char16_t>(c - 0xFEE0);
        }
        char& v = view[i];
        if (c == u'\r' || c == u'\n' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 ||
            c == 0x2029) {
            v = '\n';
        } else if (c >= u'a' && c <= u'z') {
            v = static_cast<char>(c - u'a' + 'A');
        } else if (c > 0x20 && c < 0x7F) {
            v = static_cast<char>(c);
        } else if (IsSpace(c)) {
            v = ' ';
        } else if (c == 0xB0 || c == 0xBA || c == 0x2DA || c == u'\u5EA6') {  // 度
            v = kDegreeMark;
        } else if (c == 0xB4 || c == 0x2019 || c == 0x2032 || c == u'\u5206') {  // 分
            v = '\'';
        } else if (c == 0x201D || c == 0x2033 || c == u'\u79D2') {  // 秒
            v = '"';
        } else if (c == u'\u3001') {  // 、
            v = ',';
        } else if (IsWideScript(c)) {
            v = kWideLetter;
        } else if ((c >= 0x2010 && c <= 0x2015) || c == 0x2212) {
            v = '-';
        } else if (IsAlpha(c)) {
            v = kOtherLetter;
        }
    }
    return view;
}

std::vector<FoundPosition> FindPositions(std::string_view s, std::vector<FoundCoordinate>* lone) {
    std::vector<FoundPosition> found;
    std::vector<FoundCoordinate> alone;
    const auto signedDegrees = [](const Coordinate& c) {
        return c.hemisphere == 'S' || c.hemisphere == 'W' ? -c.degrees : c.degrees;
    };
    size_t i = 0;
    while (i < s.size()) {
        const std::optional<Coordinate> lat = ReadLatitude(s, i);
        const bool suffixed = IsAsciiDigit(s[i]);
        if (lat) {
            const std::optional<Coordinate> lon = ReadLongitude(s, *lat, !suffixed);
            // "54-10N, 54-20N, 003-20E AND 003-40E": two parallels and two
            // meridians, of which the middle two are no position.
            const std::optional<Coordinate> meridian =
                lon && suffixed && !alone.empty() && alone.back().latitude &&
                        SkipRangeJoiner(s, alone.back().end) == lat->begin
                    ? ReadCoordinate(s, SkipRangeJoiner(s, lon->end), false)
                    : std::nullopt;
            if (meridian) {
                alone.push_back({signedDegrees(*lat), true, lat->begin, lat->end});
                alone.push_back({signedDegrees(*lon), false, lon->begin, lon->end});
                alone.push_back({signedDegrees(*meridian), false, meridian->begin, meridian->end});
                i = meridian->end;
                continue;
            }
            if (lon) {
                found.push_back({{signedDegrees(*lat), signedDegrees(*lon)}, lat->begin, lon->end});
                i = lon->end;
                continue;
            }
            if (suffixed) {
                alone.push_back({signedDegrees(*lat), true, lat->begin, lat->end});
                i = lat->end;
                continue;
            }
        } else if (IsAsciiDigit(s[i]) && StartsNumber(s, i)) {
            if (const std::optional<Coordinate> lon = ReadCoordinate(s, i, false)) {
                alone.push_back({signedDegrees(*lon), false, lon->begin, lon->end});
                i = lon->end;
                continue;
            }
        }
        ++i;
    }
    if (lone != nullptr) {
        *lone = std::move(alone);
    }
    return found;
}

}  // namespace wavelore
