#include "geo/position_sentences.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "common/nmea_checksum.h"
#include "common/utf.h"

namespace wavelore {

namespace {

constexpr size_t kMaxSentence = 82;  // from "$" through CR LF

bool IsReserved(char c) {
    return c < 0x20 || c > 0x7E || std::string_view("$*,!\\^~").find(c) != std::string_view::npos;
}

// Degrees and minutes to a hundredth of a minute, rounded as a whole so
// that 59.999 minutes becomes the next degree, never "60.00".
std::string DegreesMinutes(double value, int degreeDigits) {
    const long hundredths = std::lround(std::abs(value) * 6000.0);
    char text[24];
    std::snprintf(text, sizeof text, "%0*ld%02ld.%02ld", degreeDigits, hundredths / 6000,
                  hundredths % 6000 / 100, hundredths % 100);
    return text;
}

std::vector<std::string_view> Fields(std::string_view body) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = body.find(',', start);
        fields.push_back(
            body.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

std::optional<double> Number(std::string_view field) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc() || end != field.data() + field.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// "ddmm.mm" or "dddmm.mm" with its hemisphere letter.
std::optional<double> Angle(std::string_view field, std::string_view hemisphere, int degreeDigits,
                            char positive, char negative) {
    if (field.size() < static_cast<size_t>(degreeDigits) + 2 || hemisphere.size() != 1 ||
        (hemisphere[0] != positive && hemisphere[0] != negative)) {
        return std::nullopt;
    }
    for (int i = 0; i < degreeDigits + 2; ++i) {
        if (field[i] < '0' || field[i] > '9') {
            return std::nullopt;
        }
    }
    const std::optional<double> degrees = Number(field.substr(0, degreeDigits));
    const std::optional<double> minutes = Number(field.substr(degreeDigits));
    if (!degrees || !minutes || *minutes >= 60.0) {
        return std::nullopt;
    }
    const double value = *degrees + *minutes / 60.0;
    if (value > (degreeDigits == 2 ? 90.0 : 180.0)) {
        return std::nullopt;
    }
    return hemisphere[0] == negative ? -value : value;
}

}  // namespace

std::string WaypointSentence(GeoPosition position, std::string_view name) {
    if (!(std::abs(position.latitude) <= 90.0 && std::abs(position.longitude) <= 180.0)) {
        return {};
    }
    std::string body = "CRWPL," + DegreesMinutes(position.latitude, 2) + ',' +
                       (position.latitude < 0 ? 'S' : 'N') + ',' +
                       DegreesMinutes(position.longitude, 3) + ',' +
                       (position.longitude < 0 ? 'W' : 'E') + ',';
    // "$", "*hh" and CR LF around the body.
    const size_t room = kMaxSentence - 6 - body.size();
    for (const char c : name.substr(0, room)) {
        body += IsReserved(c) ? '_' : c;
    }
    return '$' + body + '*' + NmeaChecksum(body) + "\r\n";
}

std::vector<std::string> WarningWaypointSentences(std::span<const WarningGeometry> geometries) {
    std::vector<GeoPosition> positions;
    std::string code;
    for (const WarningGeometry& g : geometries) {
        code = ToUtf8(g.identity.code);
        if (g.kind == GeometryKind::Circle) {
            positions.insert(positions.end(), g.positions.begin(),
                             g.positions.begin() + (g.positions.empty() ? 0 : 1));
        } else {
            positions.insert(positions.end(), g.positions.begin(), g.positions.end());
        }
    }
    std::vector<std::string> sentences;
    for (size_t i = 0; i < positions.size(); ++i) {
        const std::string name = positions.size() == 1 ? code : code + '-' + std::to_string(i + 1);
        std::string sentence = WaypointSentence(positions[i], name);
        if (!sentence.empty()) {
            sentences.push_back(std::move(sentence));
        }
    }
    return sentences;
}

std::optional<OwnFix> ParseRmc(std::string_view sentence) {
    while (!sentence.empty() && (sentence.back() == '\n' || sentence.back() == '\r')) {
        sentence.remove_suffix(1);
    }
    const size_t star = sentence.rfind('*');
    if (sentence.size() < 7 || sentence[0] != '$' || star == std::string_view::npos ||
        sentence.size() != star + 3) {
        return std::nullopt;
    }
    const std::string_view body = sentence.substr(1, star - 1);
    const std::string_view sent = sentence.substr(star + 1);
    const std::string expected = NmeaChecksum(body);
    for (size_t i = 0; i < 2; ++i) {
        const char c = sent[i] >= 'a' && sent[i] <= 'f' ? static_cast<char>(sent[i] - 32) : sent[i];
        if (c != expected[i]) {
            return std::nullopt;
        }
    }
    const std::vector<std::string_view> f = Fields(body);
    // Address, time, status, lat, N/S, lon, E/W, speed, course, date,
    // variation, E/W, then mode and navigational status in later editions.
    if (f.size() < 12 || f[0].size() != 5 || f[0].substr(2) != "RMC" || f[2] != "A" ||
        (f.size() > 12 && f[12] == "N") || (f.size() > 13 && f[13] == "V")) {
        return std::nullopt;
    }
    const std::optional<double> latitude = Angle(f[3], f[4], 2, 'N', 'S');
    const std::optional<double> longitude = Angle(f[5], f[6], 3, 'E', 'W');
    if (!latitude || !longitude) {
        return std::nullopt;
    }
    OwnFix fix;
    fix.position = {*latitude, *longitude};
    fix.utcTime = std::string(f[1]);
    fix.date = std::string(f[9]);
    fix.speedKnots = Number(f[7]);
    fix.courseDegrees = Number(f[8]);
    return fix;
}

}  // namespace wavelore
