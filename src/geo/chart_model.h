#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "geo/coastline_map.h"
#include "geo/mercator_view.h"
#include "geo/warning_geometry.h"

namespace wavelore {

// One warning's geometry as the chart is given it, with what the message
// index knows of its message.
struct ChartWarning {
    WarningFeature feature;  // the geometry, its message's identity, the text
    bool repeat = false;     // as the message index marked it
    bool selected = true;    // its station and subject are in the selection
    bool cancelled = false;  // a later message cancelled it
};

// How a warning is coloured, from its subject indicator (B2).
enum class WarningCategory {
    Navigational,     // A, L
    Meteorological,   // B, E
    SearchAndRescue,  // D
    Ice,              // C
    Other,
};
WarningCategory CategoryOf(std::u16string_view code);

// A NAVTEX station on the chart: one place, with the letter (B1) of each
// frequency it sends on there ("E/I").
struct ChartStation {
    std::u16string letters;
    std::u16string name;
    GeoPosition position;
};

// What the chart pane shows and how it answers the mouse, without a
// screen: the view, the basemap in world coordinates, the stations and the
// warnings that are shown, the own position and each warning's distance
// from it, and which warning a click lands on.
//
// Warnings are shown as the Message Explorer lists their messages: the
// selected ones, less the repeats while they are hidden ("show all" adds
// those outside the selection); also less the expired ones, cancelled by
// a later message or past the time their own text gives. The chosen
// message is shown whatever it is.
class CChartModel {
  public:
    // One basemap part or warning geometry in world coordinates, its
    // longitudes unwrapped so that no step crosses half the world: it may
    // reach past x 0..1 and is drawn in each world copy it meets.
    struct WorldPart {
        std::vector<WorldPoint> points;
        WorldPoint min;
        WorldPoint max;
    };

    struct Shape {
        WorldPart part;
        GeometryKind kind = GeometryKind::Point;
        bool closed = false;  // an area or circle
        WarningCategory category = WarningCategory::Other;
        bool chosen = false;
        // From the own position to the nearest part of the geometry; NaN
        // without an own position.
        double distanceMetres = 0.0;
        size_t warning = 0;  // index into Warnings()
    };

    // Below this scale (pixels for the world's width) the coarse basemap
    // is drawn: 1:110m holds up to about a 1:20M chart.
    static constexpr double kDetailedScale = 4096.0;
    // How far "show this message" zooms in on a point, and the margin
    // round what it shows, in pixels.
    static constexpr double kFocusMaxScale = 262144.0;
    static constexpr double kFocusMargin = 48.0;

    CMercatorView& View() { return m_view; }
    const CMercatorView& View() const { return m_view; }

    // The basemap, projected once; the map itself is not kept.
    void SetBasemap(const CCoastlineMap& map);
    // The basemap level the view's scale calls for.
    CCoastlineMap::Level BasemapLevel() const;
    const std::vector<WorldPart>& Land(CCoastlineMap::Level level) const { return m_land[level]; }
    const std::vector<WorldPart>& Coast(CCoastlineMap::Level level) const { return m_coast[level]; }

    // Stations of one name at one place are joined into one.
    void SetStations(std::vector<ChartStation> stations);
    const std::vector<ChartStation>& Stations() const { return m_stations; }

    void SetWarnings(std::vector<ChartWarning> warnings);
    const std::vector<ChartWarning>& Warnings() const { return m_warnings; }
    void SetHideRepeats(bool hide);
    void SetShowAll(bool all);
    // The current time in UTC, against which a warning's own cancel time
    // is read; before it is set nothing expires by time.
    void SetNow(const LocalTime& utc);
    bool Expired(const ChartWarning& warning) const;

    void SetOwnPosition(std::optional<GeoPosition> position);
    std::optional<GeoPosition> OwnPosition() const { return m_own; }

    // The chosen message, drawn above the rest (none: no message).
    void SetChosen(std::optional<WarningIdentity> identity);
    const std::optional<WarningIdentity>& Chosen() const { return m_chosen; }
    // Chooses a message and brings all its geometries into view; false,
    // with the view unchanged, when the message has none.
    bool ShowMessage(const WarningIdentity& identity);

    // The warnings shown, in drawing order: areas and circles, then lines,
    // then points, the chosen message's last.
    const std::vector<Shape>& Shapes() const { return m_shapes; }

    // The message whose warning lies under a screen point, within
    // tolerance pixels of a point or line or of an area's edge, or inside an
    // area; a point or edge within reach wins over an area around the
    // click, the nearest of them first, else the smallest area.
    std::optional<WarningIdentity> HitTest(double screenX, double screenY,
                                           double tolerance = 6.0) const;

  private:
    void Rebuild();
    bool Shown(const ChartWarning& warning) const;

    CMercatorView m_view;
    std::vector<WorldPart> m_land[CCoastlineMap::kLevels];
    std::vector<WorldPart> m_coast[CCoastlineMap::kLevels];
    std::vector<ChartStation> m_stations;
    std::vector<ChartWarning> m_warnings;
    std::vector<Shape> m_shapes;
    bool m_hideRepeats = true;
    bool m_showAll = false;
    std::optional<int64_t> m_now;  // calendar seconds, UTC
    std::optional<GeoPosition> m_own;
    std::optional<WarningIdentity> m_chosen;
};

}  // namespace wavelore
