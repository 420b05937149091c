#include "geo/position_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "geo/position_scanner.h"

namespace wavelore {

namespace {

// Gaps longer than this between two positions are never a list's
// separator, and labelled items further apart are not one list.
constexpr size_t kMaxJoinerGap = 60;
constexpr size_t kMaxLabelledGap = 160;
// How far after a list its radius may be given.
constexpr size_t kMaxAfterText = 100;

bool IsAlnum(char c) {
    return IsAsciiDigit(c) || IsReadingLetter(c);
}

bool IsOneOf(std::string_view word, std::initializer_list<std::string_view> words) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool IsLabelMark(char c) {
    return c == '.' || c == ')' || c == ':' || c == '-';
}

// A list letter or number right before a position: "A.", "B)", "(C)",
// "12.", "D:" standing on its own.
struct Label {
    int style = 0;  // 0 none, 1 letter, 2 number
    int ordinal = 0;
};

Label LabelBefore(std::string_view s, size_t begin) {
    size_t p = begin;
    while (p > 0 && IsReadingSpace(s[p - 1])) {
        --p;
    }
    if (p < 2 || !IsLabelMark(s[p - 1])) {
        return {};
    }
    size_t start = p - 1;
    // "1 - 41-50N"
    while (start > 0 && s[p - 1] == '-' && s[start - 1] == ' ') {
        --start;
    }
    if (start == 0) {
        return {};
    }
    Label label;
    if (s[start - 1] >= 'A' && s[start - 1] <= 'Z') {
        --start;
        label = {1, s[start] - 'A' + 1};
    } else {
        int value = 0;
        int scale = 1;
        const size_t digitsEnd = start;
        while (start > 0 && IsAsciiDigit(s[start - 1]) && digitsEnd - start < 2) {
            --start;
            value += (s[start] - '0') * scale;
            scale *= 10;
        }
        if (start == digitsEnd) {
            return {};
        }
        label = {2, value};
    }
    if (start > 0 && s[start - 1] == '(') {
        --start;
    }
    if (start > 0) {
        const char before = s[start - 1];
        if (!IsReadingSpace(before) && before != ',' && before != ';' && before != ':') {
            return {};
        }
    }
    return label;
}

// A word or a number of a stretch of text.
struct Token {
    std::string_view text;
    size_t begin = 0;
    bool number = false;
    double value = 0.0;
};

std::vector<Token> Tokenize(std::string_view s, size_t begin, size_t end) {
    std::vector<Token> tokens;
    size_t p = begin;
    while (p < end) {
        const size_t start = p;
        if (IsReadingLetter(s[p])) {
            while (p < end && IsReadingLetter(s[p])) {
                ++p;
            }
            tokens.push_back({s.substr(start, p - start), start, false, 0.0});
        } else if (IsAsciiDigit(s[p])) {
            while (p < end && IsAsciiDigit(s[p])) {
                ++p;
            }
            if (p + 1 < end && s[p] == '.' && IsAsciiDigit(s[p + 1])) {
                ++p;
                while (p < end && IsAsciiDigit(s[p])) {
                    ++p;
                }
            }
            const std::string number(s.substr(start, std::min<size_t>(p - start, 16)));
            tokens.push_back({s.substr(start, p - start), start, true, std::atof(number.c_str())});
        } else {
            ++p;
        }
    }
    return tokens;
}

// Whether nothing but separators, labels and joining words stand between
// two positions; joinedByTo tells whether TO, THEN or THENCE did.
bool IsListSeparator(std::string_view s, size_t begin, size_t end, bool& joinedByTo) {
    if (end - begin > kMaxJoinerGap) {
        return false;
    }
    size_t p = begin;
    while (p < end) {
        const char c = s[p];
        if (IsReadingSpace(c) || std::string_view(",;.:-/()&").find(c) != std::string_view::npos) {
            ++p;
        } else if (IsReadingLetter(c)) {
            const size_t start = p;
            while (p < end && IsReadingLetter(s[p])) {
                ++p;
            }
            const std::string_view word = s.substr(start, p - start);
            if (IsOneOf(word, {"TO", "THEN", "THENCE"})) {
                joinedByTo = true;
            } else if (word.size() > 1 && !IsOneOf(word, {"AND", "THROUGH", "VIA"})) {
                return false;
            }
        } else if (IsAsciiDigit(c)) {
            const size_t start = p;
            while (p < end && IsAsciiDigit(s[p])) {
                ++p;
            }
            size_t mark = p;
            while (CharAt(s, mark) == ' ') {
                ++mark;
            }
            if (p - start > 2 || !IsLabelMark(CharAt(s, mark))) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

// Where a sentence or a labelled paragraph ends: a full stop after a word
// or number (not after a lone list letter), a blank line, or a line that
// starts with a label.
bool IsClauseBreak(std::string_view s, size_t p) {
    if (s[p] == '.' && p >= 2 && IsAlnum(s[p - 1]) && IsAlnum(s[p - 2]) &&
        (p + 1 == s.size() || IsReadingSpace(s[p + 1]))) {
        return true;
    }
    if (s[p] != '\n') {
        return false;
    }
    size_t q = p + 1;
    while (CharAt(s, q) == ' ' || CharAt(s, q) == '\n') {
        if (s[q] == '\n') {
            return true;
        }
        ++q;
    }
    size_t label = q;
    while (IsAlnum(CharAt(s, label)) && label - q < 2) {
        ++label;
    }
    return label > q && (CharAt(s, label) == '.' || CharAt(s, label) == ')') &&
           (label - q == 1 || IsAsciiDigit(s[q]));
}

size_t ClauseEnd(std::string_view s, size_t begin, size_t limit) {
    for (size_t p = begin; p < limit; ++p) {
        if (IsClauseBreak(s, p)) {
            return p;
        }
    }
    return limit;
}

// The distance in metres that a number and a unit starting at tokens[i]
// give, or 0.
double DistanceAt(const std::vector<Token>& tokens, size_t i) {
    if (i + 1 >= tokens.size()) {
        return 0.0;
    }
    double value = tokens[i].value;
    if (!tokens[i].number) {
        static constexpr std::array<std::string_view, 12> kNumbers = {
            "", "ONE", "TWO", "THREE", "FOUR", "FIVE", "SIX", "SEVEN", "EIGHT", "NINE", "TEN"};
        const auto it = std::find(kNumbers.begin() + 1, kNumbers.end(), tokens[i].text);
        if (it == kNumbers.end()) {
            return 0.0;
        }
        value = static_cast<double>(it - kNumbers.begin());
    }
    const std::string_view unit = tokens[i + 1].text;
    double metres = 0.0;
    if (IsOneOf(unit, {"NM", "NMS", "NMI", "MILE", "MILES", "NAUTICAL"})) {
        metres = kMetresPerNauticalMile;
    } else if (IsOneOf(unit, {"CABLE", "CABLES", "CBL", "CBLS"})) {
        metres = kMetresPerNauticalMile / 10;
    } else if (IsOneOf(unit, {"M", "METRE", "METRES", "METER", "METERS", "MTRS", "MTR"})) {
        metres = 1.0;
    } else if (IsOneOf(unit, {"KM", "KILOMETRE", "KILOMETRES", "KILOMETER", "KILOMETERS"})) {
        metres = 1000.0;
    }
    // Beyond 1000 km it is no radius of a warning but some other figure.
    return value > 0.0 && value * metres <= 1.0e6 ? value * metres : 0.0;
}

// The radius that a circle word (WITHIN 2 NM, RADIUS OF 5 CABLES, 2 NM
// AROUND) gives in these tokens, or 0.
double RadiusIn(const std::vector<Token>& tokens) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].number || !IsOneOf(tokens[i].text, {"WITHIN", "RADIUS", "CIRCLE", "AROUND",
                                                          "CENTRED", "CENTERED", "CENTRE"})) {
            continue;
        }
        const size_t first = i >= 3 ? i - 3 : 0;
        const size_t last = std::min(tokens.size(), i + 7);
        double best = 0.0;
        size_t bestDistance = tokens.size();
        for (size_t j = first; j < last; ++j) {
            const double metres = DistanceAt(tokens, j);
            const size_t distance = j > i ? j - i : i - j;
            if (metres > 0.0 && distance < bestDistance) {
                best = metres;
                bestDistance = distance;
            }
        }
        if (best > 0.0) {
            return best;
        }
    }
    return 0.0;
}

// What the words around a list say it is.
struct Shape {
    bool bounded = false;
    bool line = false;
    bool area = false;
    bool moved = false;  // FROM ... TO ... is a mark's old and new place
    double radius = 0.0;

    bool Any() const { return bounded || line || area || moved || radius > 0.0; }
};

Shape ShapeOf(const std::vector<Token>& tokens) {
    Shape shape;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string_view w = tokens[i].text;
        if (tokens[i].number) {
            continue;
        }
        if (IsOneOf(w, {"BOUNDED", "ENCLOSED", "POLYGON", "BOUNDARY", "BOUNDARIES"})) {
            shape.bounded = true;
        } else if (IsOneOf(w, {"JOINING", "TRACK", "TRACKS", "TRACKLINE", "TRACKLINES", "ROUTE",
                               "CABLE", "CABLES", "PIPELINE", "PIPELINES", "LINE", "LINES", "ALONG",
                               "CONNECTING"})) {
            shape.line = true;
        } else if (IsOneOf(w, {"AREA", "AREAS", "ZONE", "ZONES", "BOX", "SECTOR", "REGION",
                               "QUADRILATERAL", "RECTANGLE", "POLYGONS"})) {
            shape.area = true;
        } else if (IsOneOf(w, {"MOVED", "RELOCATED", "SHIFTED", "REPOSITIONED"})) {
            shape.moved = true;
        } else if (w == "BETWEEN" && i + 3 >= tokens.size()) {
            // Only right before the list: BETWEEN 0800 AND 1600 UTC is a time.
            shape.line = true;
        }
    }
    shape.radius = RadiusIn(tokens);
    return shape;
}

// A word beyond list labels and joining words.
bool IsOwnWord(const Token& t) {
    return !t.number && t.text.size() > 1 &&
           !IsOneOf(t.text, {"AND", "TO", "THEN", "THENCE", "THROUGH", "VIA", "POSITION",
                             "POSITIONS", "PSN", "PSNS", "POINT", "POINTS"});
}

// The tokens of a window's last sentence or paragraph that has words of
// its own: the label of the list's first position is no sentence.
std::vector<Token> LastClause(std::string_view s, size_t begin, const std::vector<Token>& window) {
    const auto own = std::find_if(window.rbegin(), window.rend(), IsOwnWord);
    if (own == window.rend()) {
        return window;
    }
    size_t start = begin;
    for (size_t p = own->begin; p > begin; --p) {
        if (IsClauseBreak(s, p - 1)) {
            start = p;
            break;
        }
    }
    return {std::find_if(window.begin(), window.end(),
                         [&](const Token& t) { return t.begin >= start; }),
            window.end()};
}

struct Item {
    FoundPosition found;
    Label label;
};

struct Run {
    size_t first = 0;  // into the items
    size_t last = 0;   // inclusive
    bool joinedByTo = false;
};

std::vector<Run> ListsOf(std::string_view s, const std::vector<Item>& items) {
    std::vector<Run> runs;
    const Item* labelled = nullptr;  // the last labelled item of the list so far
    for (size_t k = 0; k < items.size(); ++k) {
        if (!runs.empty()) {
            Run& run = runs.back();
            const Item& previous = items[k - 1];
            bool to = false;
            const bool separated = IsListSeparator(s, previous.found.end, items[k].found.begin, to);
            const bool nextLabel = labelled != nullptr && items[k].label.style != 0 &&
                                   items[k].label.style == labelled->label.style &&
                                   items[k].label.ordinal == labelled->label.ordinal + 1 &&
                                   items[k].found.begin - previous.found.end <= kMaxLabelledGap;
            if (separated || nextLabel) {
                run.last = k;
                run.joinedByTo = run.joinedByTo || (separated && to);
                labelled = items[k].label.style != 0 ? &items[k] : labelled;
                continue;
            }
        }
        runs.push_back({k, k, false});
        labelled = items[k].label.style != 0 ? &items[k] : nullptr;
    }
    // Labels on some positions only head lists of their own: "A. 54N 003E,
    // 55N 003E, 55N 004E B. 56N ...".
    std::vector<Run> split;
    for (const Run& run : runs) {
        size_t labels = 0;
        for (size_t j = run.first; j <= run.last; ++j) {
            labels += items[j].label.style != 0 ? 1 : 0;
        }
        if (labels < 2 || labels == run.last - run.first + 1) {
            split.push_back(run);
            continue;
        }
        size_t start = run.first;
        for (size_t j = run.first + 1; j <= run.last + 1; ++j) {
            if (j == run.last + 1 || items[j].label.style != 0) {
                Run part{start, j - 1, false};
                for (size_t m = start; m + 1 < j; ++m) {
                    bool to = false;
                    IsListSeparator(s, items[m].found.end, items[m + 1].found.begin, to);
                    part.joinedByTo = part.joinedByTo || to;
                }
                split.push_back(part);
                start = j;
            }
        }
    }
    return split;
}

WarningGeometry MakeGeometry(const WarningIdentity& identity, GeometryKind kind,
                             const std::vector<Item>& items, size_t first, size_t last) {
    WarningGeometry g;
    g.identity = identity;
    g.kind = kind;
    for (size_t j = first; j <= last; ++j) {
        g.positions.push_back(items[j].found.position);
    }
    g.textBegin = items[first].found.begin;
    g.textEnd = items[last].found.end;
    return g;
}

// Areas given by two parallels and two meridians, four lone coordinates
// in one sentence that says they bound something.
void AddRectangles(std::string_view s, const std::vector<FoundCoordinate>& lone,
                   const std::vector<Item>& items, const WarningIdentity& identity,
                   std::vector<WarningGeometry>& geometries) {
    for (size_t k = 0; k + 3 < lone.size(); ++k) {
        const size_t begin = lone[k].begin;
        const size_t end = lone[k + 3].end;
        std::vector<double> lat;
        std::vector<double> lon;
        for (size_t j = k; j < k + 4; ++j) {
            (lone[j].latitude ? lat : lon).push_back(lone[j].degrees);
        }
        bool oneSentence = end - begin <= kMaxAfterText;
        for (size_t p = begin; oneSentence && p < end; ++p) {
            oneSentence = !IsClauseBreak(s, p);
        }
        if (lat.size() != 2 || !oneSentence) {
            continue;
        }
        // No position between them: the items are in text order.
        const auto next =
            std::lower_bound(items.begin(), items.end(), begin,
                             [](const Item& item, size_t at) { return item.found.begin < at; });
        if (next != items.end() && next->found.begin < end) {
            continue;
        }
        size_t start = begin;
        while (start > 0 && begin - start < kMaxAfterText && !IsClauseBreak(s, start - 1)) {
            --start;
        }
        const std::vector<Token> words = Tokenize(s, start, end);
        const bool bounds = std::any_of(words.begin(), words.end(), [](const Token& t) {
            return IsOneOf(t.text, {"BOUNDED", "BETWEEN", "LATITUDES", "LONGITUDES", "PARALLELS",
                                    "MERIDIANS", "AREA"});
        });
        if (!bounds) {
            continue;
        }
        WarningGeometry g;
        g.identity = identity;
        g.kind = GeometryKind::Area;
        g.positions = {{lat[0], lon[0]}, {lat[0], lon[1]}, {lat[1], lon[1]}, {lat[1], lon[0]}};
        g.textBegin = begin;
        g.textEnd = end;
        geometries.push_back(std::move(g));
        k += 3;
    }
}

}  // namespace

std::vector<WarningGeometry> ReadPositions(std::u16string_view text,
                                           const WarningIdentity& identity) {
    const std::string s = ReadingView(text);
    std::vector<Item> items;
    std::vector<FoundCoordinate> lone;
    for (const FoundPosition& found : FindPositions(s, &lone)) {
        items.push_back({found, LabelBefore(s, found.begin)});
    }

    std::vector<WarningGeometry> geometries;
    std::optional<Shape> previousShape;
    size_t windowBegin = 0;
    const std::vector<Run> runs = ListsOf(s, items);
    for (size_t r = 0; r < runs.size(); ++r) {
        const Run& run = runs[r];
        const size_t begin = items[run.first].found.begin;
        const size_t end = items[run.last].found.end;

        // The words before: the list's last sentence, else all since the
        // list before, else (when there are none of its own) that list's.
        // A radius counts in the last sentence only: an earlier one may give
        // the radius of something else (a storm's winds).
        const std::vector<Token> window = Tokenize(s, windowBegin, begin);
        Shape shape = ShapeOf(LastClause(s, windowBegin, window));
        if (!shape.Any()) {
            shape = ShapeOf(window);
            shape.radius = 0.0;
        }
        if (!shape.Any() && std::none_of(window.begin(), window.end(), IsOwnWord) &&
            previousShape) {
            shape = *previousShape;
        }
        // A radius may follow the list, in its sentence.
        const size_t limit =
            std::min({r + 1 < runs.size() ? items[runs[r + 1].first].found.begin : s.size(),
                      end + kMaxAfterText, s.size()});
        const double radiusAfter = RadiusIn(Tokenize(s, end, ClauseEnd(s, end, limit)));
        if (shape.radius == 0.0) {
            shape.radius = radiusAfter;
        }
        previousShape = shape;
        windowBegin = end;

        const size_t count = run.last - run.first + 1;
        size_t last = run.last;
        // BOUNDED BY outweighs a radius or a line word; AREA alone does not.
        const bool area = (shape.bounded ||
                           (shape.area && shape.radius == 0.0 && !shape.line && !run.joinedByTo)) &&
                          count >= 3;
        if (area) {
            // The ring's closing repeat is implied.
            if (items[last].found.position == items[run.first].found.position) {
                --last;
            }
            const GeometryKind kind =
                last - run.first + 1 >= 3 ? GeometryKind::Area : GeometryKind::Line;
            geometries.push_back(MakeGeometry(identity, kind, items, run.first, last));
        } else if (shape.radius > 0.0) {
            for (size_t j = run.first; j <= run.last; ++j) {
                geometries.push_back(MakeGeometry(identity, GeometryKind::Circle, items, j, j));
                geometries.back().radiusMetres = shape.radius;
            }
        } else if ((shape.line || (run.joinedByTo && !shape.moved)) && count >= 2) {
            geometries.push_back(
                MakeGeometry(identity, GeometryKind::Line, items, run.first, last));
        } else {
            for (size_t j = run.first; j <= run.last; ++j) {
                geometries.push_back(MakeGeometry(identity, GeometryKind::Point, items, j, j));
            }
        }
    }
    const size_t listed = geometries.size();
    AddRectangles(s, lone, items, identity, geometries);
    if (geometries.size() > listed) {
        std::stable_sort(geometries.begin(), geometries.end(),
                         [](const WarningGeometry& a, const WarningGeometry& b) {
                             return a.textBegin < b.textBegin;
                         });
    }
    return geometries;
}

std::vector<WarningFeature> ReadFeatures(std::u16string_view text,
                                         const WarningIdentity& identity) {
    std::vector<WarningFeature> features;
    for (WarningGeometry& g : ReadPositions(text, identity)) {
        features.push_back({std::move(g), std::u16string(text)});
    }
    return features;
}

}  // namespace wavelore
