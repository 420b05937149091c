#include "geo/gpx_writer.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "common/markup_text.h"
#include "common/utf.h"
#include "geo/feed_fields.h"

namespace wavelore {

namespace {

// Text as XML character data or attribute value: markup characters
// escaped, CR LF and a lone CR as LF (XML reads them so anyway), and what
// XML 1.0 forbids (other control characters, U+FFFE, U+FFFF, lone
// surrogates) as U+FFFD.
std::string XmlText(std::u16string_view text) {
    std::u16string clean;
    clean.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r') {
            if (i + 1 == text.size() || text[i + 1] != u'\n') {
                clean += u'\n';
            }
        } else if ((c < 0x20 && c != u'\t' && c != u'\n') || c == 0xFFFE || c == 0xFFFF) {
            clean += u'\uFFFD';
        } else {
            clean += c;
        }
    }
    return EscapeMarkup(ToUtf8(clean));
}

std::string Element(const char* name, const std::string& escaped) {
    return escaped.empty() ? std::string()
                           : std::string("<") + name + '>' + escaped + "</" + name + '>';
}

// GPX longitudes run from -180 up to but not including 180.
std::string PointAttributes(GeoPosition p) {
    const double longitude = p.longitude >= 180.0 ? p.longitude - 360.0 : p.longitude;
    return "lat=\"" + FeedDegrees(p.latitude) + "\" lon=\"" + FeedDegrees(longitude) + '"';
}

struct Description {
    std::string name;
    std::string comment;
    std::string text;
    std::string source;
    std::string type;
};

Description Describe(const WarningFeature& f, const std::string& name) {
    const WarningIdentity& id = f.geometry.identity;
    std::u16string comment = id.subject;
    if (!id.station.empty()) {
        comment += (comment.empty() ? u"" : u", ") + id.station;
    }
    if (f.geometry.kind == GeometryKind::Circle) {
        char radius[48];
        std::snprintf(radius, sizeof radius, "radius %ld m", std::lround(f.geometry.radiusMetres));
        comment += (comment.empty() ? u"" : u", ") + FromUtf8(radius);
    }
    return {XmlText(FromUtf8(name)), XmlText(comment), XmlText(f.text), XmlText(id.station),
            XmlText(id.subject)};
}

std::string Waypoint(GeoPosition p, const Description& d, const std::string& time) {
    return "<wpt " + PointAttributes(p) + '>' + Element("time", time) + Element("name", d.name) +
           Element("cmt", d.comment) + Element("desc", d.text) + Element("src", d.source) +
           Element("type", d.type) + "</wpt>\n";
}

std::string Route(const std::vector<GeoPosition>& path, const Description& d) {
    std::string out = "<rte>" + Element("name", d.name) + Element("cmt", d.comment) +
                      Element("desc", d.text) + Element("src", d.source) + Element("type", d.type) +
                      '\n';
    for (const GeoPosition& p : path) {
        out += "<rtept " + PointAttributes(p) + "/>\n";
    }
    return out + "</rte>\n";
}

}  // namespace

std::string WriteGpx(std::span<const WarningFeature> features) {
    // GPX puts every waypoint before every route.
    std::string waypoints;
    std::string routes;
    for (const NamedFeature& named : DrawableFeatures(features)) {
        const WarningGeometry& g = named.feature->geometry;
        const Description d = Describe(*named.feature, named.name);
        switch (g.kind) {
            case GeometryKind::Point:
                waypoints += Waypoint(g.positions.front(), d, FeedTime(g.identity));
                break;
            case GeometryKind::Line:
                routes += Route(g.positions, d);
                break;
            case GeometryKind::Circle:
                waypoints += Waypoint(g.positions.front(), d, FeedTime(g.identity));
                [[fallthrough]];
            case GeometryKind::Area: {
                std::vector<GeoPosition> ring = OutlineOf(g);
                ring.push_back(ring.front());
                routes += Route(ring, d);
                break;
            }
        }
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"Wavelore\" "
           "xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
           "<metadata><name>NAVTEX warnings</name></metadata>\n" +
           waypoints + routes + "</gpx>\n";
}

}  // namespace wavelore
