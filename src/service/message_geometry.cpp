#include "service/message_geometry.h"

#include <charconv>

#include "geo/position_reader.h"

namespace wavelore::service {

namespace {

void AppendNumber(std::string& out, double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, ec == std::errc() ? end : buffer);
}

}  // namespace

std::string CoordinatesJson(const std::vector<GeoPoint>& points) {
    std::string out = "[";
    for (size_t i = 0; i < points.size(); ++i) {
        out += i == 0 ? "[" : ",[";
        AppendNumber(out, points[i].longitude);
        out += ',';
        AppendNumber(out, points[i].latitude);
        out += ']';
    }
    out += ']';
    return out;
}

bool ParseCoordinatesJson(std::string_view text, std::vector<GeoPoint>& points) {
    points.clear();
    size_t i = 0;
    const auto skip = [&] {
        while (i < text.size() && text[i] == ' ') {
            ++i;
        }
    };
    const auto expect = [&](char c) {
        skip();
        if (i < text.size() && text[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    const auto number = [&](double& value) {
        skip();
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (ec != std::errc()) {
            return false;
        }
        i = static_cast<size_t>(end - text.data());
        return true;
    };
    if (!expect('[')) {
        return false;
    }
    if (expect(']')) {
        return i == text.size();
    }
    do {
        GeoPoint p;
        if (!expect('[') || !number(p.longitude) || !expect(',') || !number(p.latitude) ||
            !expect(']')) {
            return false;
        }
        points.push_back(p);
    } while (expect(','));
    return expect(']') && i == text.size();
}

std::string_view GeometryKindName(MessageGeometry::Kind kind) {
    switch (kind) {
        case MessageGeometry::Kind::Line:
            return "line";
        case MessageGeometry::Kind::Area:
            return "area";
        case MessageGeometry::Kind::Circle:
            return "circle";
        case MessageGeometry::Kind::Point:
            break;
    }
    return "point";
}

MessageGeometry::Kind GeometryKindOfName(std::string_view name) {
    for (auto kind : {MessageGeometry::Kind::Line, MessageGeometry::Kind::Area,
                      MessageGeometry::Kind::Circle}) {
        if (name == GeometryKindName(kind)) {
            return kind;
        }
    }
    return MessageGeometry::Kind::Point;
}

PositionReader WarningPositionReader() {
    return [](std::u16string_view text) {
        std::vector<MessageGeometry> out;
        for (const WarningGeometry& read : ReadPositions(text)) {
            MessageGeometry g;
            switch (read.kind) {
                case GeometryKind::Point:
                    g.kind = MessageGeometry::Kind::Point;
                    break;
                case GeometryKind::Line:
                    g.kind = MessageGeometry::Kind::Line;
                    break;
                case GeometryKind::Area:
                    g.kind = MessageGeometry::Kind::Area;
                    break;
                case GeometryKind::Circle:
                    g.kind = MessageGeometry::Kind::Circle;
                    g.radiusNm = read.radiusMetres / kMetresPerNauticalMile;
                    break;
            }
            for (const GeoPosition& p : read.positions) {
                g.points.push_back({p.latitude, p.longitude});
            }
            out.push_back(std::move(g));
        }
        return out;
    };
}

}  // namespace wavelore::service
