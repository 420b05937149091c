#include "support/position_corpus.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "common/utf.h"
#include "geo/position_reader.h"

namespace wavelore::test {

namespace {

constexpr double kTolerance = 0.001 / 60.0;  // degrees

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, separator)) {
        const size_t first = part.find_first_not_of(' ');
        const size_t last = part.find_last_not_of(' ');
        parts.push_back(first == std::string::npos ? "" : part.substr(first, last - first + 1));
    }
    return parts;
}

// D-M[.m]H, D-M-S[.s]H or D.dH, in the corpus's own plain notation.
std::optional<double> Angle(const std::string& text, char positive, char negative) {
    if (text.size() < 2 || (text.back() != positive && text.back() != negative)) {
        return std::nullopt;
    }
    double value = 0.0;
    double scale = 1.0;
    for (const std::string& part : Split(text.substr(0, text.size() - 1), '-')) {
        char* end = nullptr;
        const double number = std::strtod(part.c_str(), &end);
        if (part.empty() || *end != '\0') {
            return std::nullopt;
        }
        value += number / scale;
        scale *= 60.0;
    }
    return text.back() == negative ? -value : value;
}

std::optional<GeoPosition> Position(const std::string& text) {
    const std::vector<std::string> parts = Split(text, ' ');
    if (parts.size() != 2) {
        return std::nullopt;
    }
    const std::optional<double> latitude = Angle(parts[0], 'N', 'S');
    const std::optional<double> longitude = Angle(parts[1], 'E', 'W');
    if (!latitude || !longitude) {
        return std::nullopt;
    }
    return GeoPosition{*latitude, *longitude};
}

std::optional<double> Radius(const std::string& text) {
    static const std::pair<const char*, double> kUnits[] = {
        {"NM", 1852.0}, {"CBL", 185.2}, {"KM", 1000.0}, {"M", 1.0}};
    for (const auto& [unit, metres] : kUnits) {
        const std::string u(unit);
        if (text.size() > u.size() && text.ends_with(u)) {
            char* end = nullptr;
            const std::string number = text.substr(0, text.size() - u.size());
            const double value = std::strtod(number.c_str(), &end);
            if (*end == '\0') {
                return value * metres;
            }
        }
    }
    return std::nullopt;
}

std::optional<WarningGeometry> Expectation(const std::string& line) {
    const size_t space = line.find(' ');
    const std::string kind = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    WarningGeometry g;
    if (kind == "point") {
        g.kind = GeometryKind::Point;
    } else if (kind == "line") {
        g.kind = GeometryKind::Line;
    } else if (kind == "area") {
        g.kind = GeometryKind::Area;
    } else if (kind == "circle") {
        g.kind = GeometryKind::Circle;
        const size_t gap = rest.find(' ');
        const std::optional<double> radius = Radius(rest.substr(0, gap));
        if (!radius || gap == std::string::npos) {
            return std::nullopt;
        }
        g.radiusMetres = *radius;
        rest = rest.substr(gap + 1);
    } else {
        return std::nullopt;
    }
    for (const std::string& part : Split(rest, ';')) {
        const std::optional<GeoPosition> p = Position(part);
        if (!p) {
            return std::nullopt;
        }
        g.positions.push_back(*p);
    }
    const size_t count = g.positions.size();
    const bool fits = g.kind == GeometryKind::Line   ? count >= 2
                      : g.kind == GeometryKind::Area ? count >= 3
                                                     : count == 1;
    return fits ? std::optional<WarningGeometry>(g) : std::nullopt;
}

bool Near(GeoPosition a, GeoPosition b) {
    return std::abs(a.latitude - b.latitude) <= kTolerance &&
           std::abs(a.longitude - b.longitude) <= kTolerance;
}

bool SameGeometry(const WarningGeometry& a, const WarningGeometry& b) {
    if (a.kind != b.kind || a.positions.size() != b.positions.size()) {
        return false;
    }
    for (size_t i = 0; i < a.positions.size(); ++i) {
        if (!Near(a.positions[i], b.positions[i])) {
            return false;
        }
    }
    return std::abs(a.radiusMetres - b.radiusMetres) <= 0.01 * std::max(a.radiusMetres, 1.0);
}

std::vector<GeoPosition> Vertices(const std::vector<WarningGeometry>& geometries) {
    std::vector<GeoPosition> all;
    for (const WarningGeometry& g : geometries) {
        all.insert(all.end(), g.positions.begin(), g.positions.end());
    }
    return all;
}

std::string Describe(const WarningGeometry& g) {
    std::string text = GeometryKindName(g.kind);
    if (g.kind == GeometryKind::Circle) {
        text += ' ';
        text += std::to_string(static_cast<long>(std::lround(g.radiusMetres)));
        text += 'm';
    }
    for (const GeoPosition& p : g.positions) {
        char position[48];
        std::snprintf(position, sizeof position, " %.5f,%.5f", p.latitude, p.longitude);
        text += position;
    }
    return text;
}

}  // namespace

double CorpusScore::Recall() const {
    return expectedPositions == 0 ? 1.0 : static_cast<double>(foundPositions) / expectedPositions;
}

double CorpusScore::Precision() const {
    return readPositions == 0 ? 1.0 : static_cast<double>(foundPositions) / readPositions;
}

std::vector<CorpusWarning> LoadPositionCorpus(const std::filesystem::path& path,
                                              std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path.string();
        return {};
    }
    std::vector<CorpusWarning> corpus;
    std::string line;
    int number = 0;
    bool inText = false;  // before the warning's first ">>" line
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.starts_with("@@ ")) {
            corpus.push_back({line.substr(3), number, {}, {}});
            inText = true;
        } else if (corpus.empty() || line.starts_with("#")) {
            if (!line.empty() && !line.starts_with("#")) {
                error = "line " + std::to_string(number) + ": text before the first warning";
                return {};
            }
        } else if (line.starts_with(">> ")) {
            inText = false;
            const std::string what = line.substr(3);
            if (what == "none") {
                continue;
            }
            const std::optional<WarningGeometry> g = Expectation(what);
            if (!g) {
                error = "line " + std::to_string(number) + ": not understood: " + line;
                return {};
            }
            corpus.back().expected.push_back(*g);
        } else if (inText) {
            corpus.back().text += FromUtf8(line) + u"\r\n";
        }
    }
    return corpus;
}

CorpusScore ScorePositionReader(const std::vector<CorpusWarning>& corpus) {
    CorpusScore score;
    for (const CorpusWarning& warning : corpus) {
        const std::vector<WarningGeometry> read = ReadPositions(warning.text);
        std::vector<GeoPosition> expected = Vertices(warning.expected);
        const std::vector<GeoPosition> got = Vertices(read);
        ++score.warnings;
        score.expectedPositions += expected.size();
        score.readPositions += got.size();
        size_t found = 0;
        for (const GeoPosition& p : got) {
            const auto match = std::find_if(expected.begin(), expected.end(),
                                            [&](GeoPosition e) { return Near(e, p); });
            if (match != expected.end()) {
                expected.erase(match);
                ++found;
            }
        }
        score.foundPositions += found;
        if (warning.expected.empty()) {
            ++score.warningsWithoutPositions;
            score.falsePositionsInThem += got.size();
        }
        size_t right = 0;
        std::vector<bool> used(read.size(), false);
        for (const WarningGeometry& e : warning.expected) {
            for (size_t i = 0; i < read.size(); ++i) {
                if (!used[i] && SameGeometry(e, read[i])) {
                    used[i] = true;
                    ++right;
                    break;
                }
            }
        }
        score.expectedGeometries += warning.expected.size();
        score.rightGeometries += right;
        if (right != warning.expected.size() || read.size() != warning.expected.size()) {
            std::string fault = "line " + std::to_string(warning.line) + " " + warning.name + ":";
            for (const WarningGeometry& g : warning.expected) {
                fault += "\n  expected " + Describe(g);
            }
            for (const WarningGeometry& g : read) {
                fault += "\n  read     " + Describe(g);
            }
            score.faults.push_back(fault);
        }
    }
    return score;
}

std::vector<WarningFeature> YearOfFeatures(const std::vector<CorpusWarning>& corpus, int copies) {
    std::vector<WarningFeature> features;
    for (int copy = 0; copy < copies; ++copy) {
        char date[16];
        std::snprintf(date, sizeof(date), "2024-%02d-%02d", copy % 12 + 1, copy / 12 % 28 + 1);
        for (const CorpusWarning& w : corpus) {
            const WarningIdentity id{FromUtf8(w.name.substr(0, w.name.find(' '))), u"", u"Niton",
                                     FromUtf8(date), u"15:30:00"};
            for (WarningFeature& f : ReadFeatures(w.text, id)) {
                features.push_back(std::move(f));
            }
        }
    }
    return features;
}

std::filesystem::path PositionCorpusPath() {
    return std::filesystem::path(WAVELORE_SOURCE_DIR) / "tests" / "data" / "warning_positions.txt";
}

}  // namespace wavelore::test
