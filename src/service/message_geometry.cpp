#include "service/message_geometry.h"

#include "geo/position_reader.h"

namespace wavelore::service {

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
