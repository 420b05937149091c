#include "geo/coastline_map.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace wavelore {

namespace {

constexpr char kMagic[8] = {'W', 'L', 'C', 'O', 'A', 'S', 'T', '1'};
constexpr uint32_t kMaxLayers = 16;
constexpr size_t kLayerHeaderBytes = 12;
constexpr int32_t kMicro = 1000000;

// Reads little-endian numbers from a span, refusing to read past its end.
class CByteReader {
  public:
    explicit CByteReader(std::span<const std::byte> data) : m_data(data) {}

    bool U8(uint8_t& value) {
        if (Left() < 1) {
            return false;
        }
        value = static_cast<uint8_t>(m_data[m_at++]);
        return true;
    }
    bool U32(uint32_t& value) {
        if (Left() < 4) {
            return false;
        }
        value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | static_cast<uint8_t>(m_data[m_at + static_cast<size_t>(i)]);
        }
        m_at += 4;
        return true;
    }
    bool I32(int32_t& value) {
        uint32_t raw = 0;
        if (!U32(raw)) {
            return false;
        }
        value = static_cast<int32_t>(raw);
        return true;
    }
    bool Skip(size_t bytes) {
        if (Left() < bytes) {
            return false;
        }
        m_at += bytes;
        return true;
    }
    size_t Left() const { return m_data.size() - m_at; }
    size_t At() const { return m_at; }

  private:
    std::span<const std::byte> m_data;
    size_t m_at = 0;
};

struct LayerHeader {
    uint8_t level = 0;
    uint8_t kind = 0;
    uint32_t parts = 0;
    uint32_t points = 0;
};

CCoastlineMap::Part MakePart(std::vector<GeoPosition> points) {
    CCoastlineMap::Part part;
    part.minLatitude = part.maxLatitude = points.front().latitude;
    part.minLongitude = part.maxLongitude = points.front().longitude;
    for (const GeoPosition& p : points) {
        part.minLatitude = std::min(part.minLatitude, p.latitude);
        part.maxLatitude = std::max(part.maxLatitude, p.latitude);
        part.minLongitude = std::min(part.minLongitude, p.longitude);
        part.maxLongitude = std::max(part.maxLongitude, p.longitude);
    }
    part.points = std::move(points);
    return part;
}

}  // namespace

bool CCoastlineMap::Load(std::span<const std::byte> data, std::string& error) {
    Clear();
    error.clear();
    if (data.size() > kMaxFileBytes) {
        error = "basemap file too large";
        return false;
    }
    if (data.size() < sizeof(kMagic) || std::memcmp(data.data(), kMagic, sizeof(kMagic)) != 0) {
        error = "not a basemap file (no WLCOAST1 header)";
        return false;
    }
    CByteReader reader(data);
    reader.Skip(sizeof(kMagic));
    uint32_t layerCount = 0;
    if (!reader.U32(layerCount) || layerCount > kMaxLayers) {
        error = "basemap file: bad layer count";
        return false;
    }
    std::vector<LayerHeader> headers(layerCount);
    // Sizes are added up in 64 bits against what the file holds, so that no
    // count can make a vector larger than the file could fill.
    uint64_t bytesNeeded = 0;
    for (LayerHeader& h : headers) {
        uint8_t zero = 0;
        if (!reader.U8(h.level) || !reader.U8(h.kind) || !reader.U8(zero) || !reader.U8(zero) ||
            !reader.U32(h.parts) || !reader.U32(h.points)) {
            error = "basemap file cut short in its layer table";
            return false;
        }
        if (h.level >= kLevels || h.kind > 1) {
            error = "basemap file: unknown layer level or kind";
            return false;
        }
        bytesNeeded += uint64_t{h.parts} * 4 + uint64_t{h.points} * 8;
    }
    if (bytesNeeded != reader.Left()) {
        error = bytesNeeded > reader.Left() ? "basemap file cut short"
                                            : "basemap file has bytes past its end";
        return false;
    }

    std::vector<Part> land[kLevels];
    std::vector<Part> coast[kLevels];
    for (const LayerHeader& h : headers) {
        const bool ring = h.kind == 0;
        std::vector<uint32_t> counts(h.parts);
        uint64_t total = 0;
        for (uint32_t& n : counts) {
            reader.U32(n);
            total += n;
            if (n < (ring ? 3u : 2u)) {
                error = "basemap file: a part with too few points";
                return false;
            }
        }
        if (total != h.points) {
            error = "basemap file: part sizes do not add up to the layer's points";
            return false;
        }
        std::vector<Part>& parts = ring ? land[h.level] : coast[h.level];
        parts.reserve(parts.size() + counts.size());
        for (uint32_t n : counts) {
            std::vector<GeoPosition> points(n);
            for (GeoPosition& p : points) {
                int32_t lon = 0;
                int32_t lat = 0;
                reader.I32(lon);
                reader.I32(lat);
                if (lon < -180 * kMicro || lon > 180 * kMicro || lat < -90 * kMicro ||
                    lat > 90 * kMicro) {
                    error = "basemap file: a coordinate out of range";
                    return false;
                }
                p = {lat / double{kMicro}, lon / double{kMicro}};
            }
            parts.push_back(MakePart(std::move(points)));
        }
    }
    for (int level = 0; level < kLevels; ++level) {
        m_land[level] = std::move(land[level]);
        m_coast[level] = std::move(coast[level]);
    }
    return true;
}

bool CCoastlineMap::LoadFile(const std::filesystem::path& path, std::string& error) {
    Clear();
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = "cannot read basemap file " + path.string() + ": " + ec.message();
        return false;
    }
    if (size > kMaxFileBytes) {
        error = "basemap file too large: " + path.string();
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::byte> data(static_cast<size_t>(size));
    if (!in || !in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size))) {
        error = "cannot read basemap file " + path.string();
        return false;
    }
    return Load(data, error);
}

void CCoastlineMap::Clear() {
    for (int level = 0; level < kLevels; ++level) {
        m_land[level].clear();
        m_coast[level].clear();
    }
}

bool CCoastlineMap::Empty() const {
    for (int level = 0; level < kLevels; ++level) {
        if (!m_land[level].empty() || !m_coast[level].empty()) {
            return false;
        }
    }
    return true;
}

}  // namespace wavelore
