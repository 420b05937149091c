#include "cli/run_feeds.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "app/station_table.h"
#include "app/subject_table.h"
#include "common/utf.h"
#include "geo/atomic_file.h"
#include "geo/geojson_writer.h"
#include "geo/gpx_writer.h"
#include "geo/position_reader.h"
#include "net/nmea_in_client.h"

namespace wavelore::cli {

namespace {

// A fix older than this is no longer where the ship is.
constexpr std::chrono::minutes kFixAge{5};
constexpr double kMetresPerMile = 1852.0;

WarningIdentity IdentityOf(const MessageRecord& record, int32_t navArea) {
    WarningIdentity id;
    id.code = StoredIdentity(record.b1, record.b2, record.number);
    id.station =
        CStationTable::DisplayName(CStationTable::NamingNavArea(navArea, record.mode), record.b1);
    id.subject = std::u16string(SubjectTable::Category(record.b2.empty() ? u'\0' : record.b2[0]));
    id.date = record.date;
    id.time = record.time;
    return id;
}

// "54-12.50N" or "003-40.20E".
std::string Angle(double value, int digits, char positive, char negative) {
    const long hundredths = std::lround(std::abs(value) * 6000.0);
    char text[24];
    std::snprintf(text, sizeof text, "%0*ld-%02ld.%02ld%c", digits, hundredths / 6000,
                  hundredths % 6000 / 100, hundredths % 100, value < 0 ? negative : positive);
    return text;
}

}  // namespace

CRunFeeds::CRunFeeds(std::filesystem::path geoJson, std::filesystem::path gpx, int32_t navArea)
    : m_geoJson(std::move(geoJson)), m_gpx(std::move(gpx)), m_navArea(navArea) {}

std::string CRunFeeds::Write() {
    std::string failure;
    for (const auto& [path, contents] :
         {std::pair{m_geoJson, m_geoJson.empty() ? std::string() : WriteGeoJson(m_features)},
          std::pair{m_gpx, m_gpx.empty() ? std::string() : WriteGpx(m_features)}}) {
        if (path.empty()) {
            continue;
        }
        if (const std::error_code error = RewriteFileAtomically(path, contents)) {
            failure = "cannot write " + path.string() + ": " + error.message();
        }
    }
    return failure;
}

void CRunFeeds::Deliver(const MessageRecord& record, const MessageVerdict& verdict) {
    const WarningIdentity id = IdentityOf(record, m_navArea);
    const bool known = std::any_of(m_features.begin(), m_features.end(), [&](const auto& f) {
        return f.geometry.identity.code == id.code;
    });
    if (known && verdict.repeat) {
        return;
    }
    std::erase_if(m_features, [&](const auto& f) { return f.geometry.identity.code == id.code; });
    for (WarningFeature& f : ReadFeatures(record.text, id)) {
        m_features.push_back(std::move(f));
    }
    const std::string failure = Write();
    if (!failure.empty() && !m_failing) {
        std::fprintf(stderr, "wavelore-decode: %s\n", failure.c_str());
        std::fflush(stderr);
    }
    m_failing = !failure.empty();
}

std::string DistanceNote(const CNmeaInClient& ownPosition, const MessageRecord& record) {
    const std::optional<OwnFix> fix = ownPosition.Fix(kFixAge);
    if (!fix) {
        return {};
    }
    double nearest = std::numeric_limits<double>::infinity();
    for (const WarningGeometry& g : ReadPositions(record.text)) {
        nearest = std::min(nearest, DistanceToGeometryMetres(fix->position, g));
    }
    if (!std::isfinite(nearest)) {
        return {};
    }
    char miles[32];
    std::snprintf(miles, sizeof miles, "%.1f", nearest / kMetresPerMile);
    return std::string(", ") + miles + " NM from own position " +
           Angle(fix->position.latitude, 2, 'N', 'S') + ' ' +
           Angle(fix->position.longitude, 3, 'E', 'W');
}

}  // namespace wavelore::cli
