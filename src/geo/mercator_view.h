#pragma once

#include "geo/warning_geometry.h"

namespace wavelore {

// A place on the Mercator chart of the whole world, as a square of side 1:
// x from 0 at 180 W eastwards to 1 at 180 E, y from 0 at the top to 1 at
// the bottom. x beyond 0..1 is the same world once more to either side.
struct WorldPoint {
    double x = 0.0;
    double y = 0.0;
};

// The chart's projection: spherical Mercator, with latitudes clamped to
// +-85.0511 degrees, where the world becomes square (the poles themselves
// lie at infinity).
constexpr double kMercatorMaxLatitude = 85.0511287798;
WorldPoint Project(GeoPosition position);
GeoPosition Unproject(WorldPoint point);

// Which part of the world a chart of width x height pixels shows: its
// centre and scale (pixels for the world's width). Pans wrap east-west and
// stop at the clamped poles; zoom keeps the place under the cursor.
class CMercatorView {
  public:
    // The world at its smallest is 256 pixels wide; at its largest a pixel
    // is about 2 m at the equator, far below the basemap's detail.
    static constexpr double kMinScale = 256.0;
    static constexpr double kMaxScale = 16777216.0;

    // Sizes below 1 pixel are taken as 1.
    void SetViewport(int width, int height);
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    double Scale() const { return m_scale; }
    WorldPoint Centre() const { return m_centre; }
    // Centres the view on a world point at a scale, both together since
    // what centre the view can take depends on the scale (it stops at the
    // clamped poles); both are clamped to what the view can show.
    void Show(WorldPoint centre, double scale);

    // Screen pixels (x right, y down; 0,0 the top-left corner) of a world
    // point, in the world copy given (-1 one world to the west).
    WorldPoint ToScreen(WorldPoint world, int copy = 0) const;
    WorldPoint ToWorld(double screenX, double screenY) const;
    GeoPosition ToGeo(double screenX, double screenY) const {
        return Unproject(ToWorld(screenX, screenY));
    }

    // The world copies a world span [minX, maxX] appears in on screen.
    void Copies(double minX, double maxX, int& first, int& last) const;

    // A drag by dx, dy pixels: the chart follows the mouse.
    void Pan(double dx, double dy);
    // Scales by factor (above 1: closer) about a screen point, which keeps
    // its place on the chart unless a limit is reached.
    void ZoomAt(double factor, double screenX, double screenY);
    // Shows a world box whole with margin pixels around it, no closer than
    // maxScale.
    void Fit(WorldPoint min, WorldPoint max, double margin, double maxScale);

  private:
    void Clamp();

    int m_width = 640;
    int m_height = 480;
    double m_scale = kMinScale;
    WorldPoint m_centre{0.5, 0.5};
};

}  // namespace wavelore
