#include "service/message_geometry.h"

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

}  // namespace wavelore::service
