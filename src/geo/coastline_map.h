#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "geo/warning_geometry.h"

namespace wavelore {

// The chart's offline basemap: land and coastlines at two scales, read from
// the file tools/make_coastlines.R writes (res/coastlines.bin, from Natural
// Earth). The format is described there.
class CCoastlineMap {
  public:
    enum Level : int32_t {
        kCoarse = 0,    // 1:110m, for the whole world
        kDetailed = 1,  // 1:50m, once zoomed in
        kLevels
    };

    // One ring of land (closed from its last point back to its first) or
    // one coastline, with the box around it.
    struct Part {
        std::vector<GeoPosition> points;
        double minLatitude = 0.0;
        double maxLatitude = 0.0;
        double minLongitude = 0.0;
        double maxLongitude = 0.0;
    };

    // The whole file's content, checked before any of it is taken: a file
    // that is not the format, is cut short, has bytes past its end, counts
    // that do not add up, a part too short for its kind or a coordinate out
    // of range leaves the map empty and says why in error.
    bool Load(std::span<const std::byte> data, std::string& error);
    bool LoadFile(const std::filesystem::path& path, std::string& error);

    void Clear();
    bool Empty() const;

    const std::vector<Part>& Land(Level level) const { return m_land[level]; }
    const std::vector<Part>& Coast(Level level) const { return m_coast[level]; }

    // Files larger than this are refused unread: the basemap is about 1 MB.
    static constexpr size_t kMaxFileBytes = 64u << 20;

  private:
    std::vector<Part> m_land[kLevels];
    std::vector<Part> m_coast[kLevels];
};

}  // namespace wavelore
