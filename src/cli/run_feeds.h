#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/message_filter.h"
#include "geo/warning_geometry.h"

namespace wavelore {
class CNmeaInClient;
}

namespace wavelore::cli {

// --geojson FILE and --gpx FILE: the positions of the selected messages of
// this run, each message identity once (a later reception replaces an
// earlier one unless it is a repeat, whose text is the same warning),
// written whole (RewriteFileAtomically) at the start, after every selected
// message and at the end, so that a chart program may read them at any
// time. A file that cannot be written is said on standard error once.
class CRunFeeds final : public IMessageOutput {
  public:
    // Empty paths are not written.
    CRunFeeds(std::filesystem::path geoJson, std::filesystem::path gpx, int32_t navArea);

    // Writes both; the reason when one cannot be, else empty.
    std::string Write();

    // IMessageOutput: for selected messages.
    void Deliver(const MessageRecord& record, const MessageVerdict& verdict) override;

  private:
    std::filesystem::path m_geoJson;
    std::filesystem::path m_gpx;
    int32_t m_navArea;
    std::vector<WarningFeature> m_features;
    bool m_failing = false;
};

// With --verbose: where a message's warning lies from own position, as
// ", 12.3 NM from own position 54-12.50N 003-40.20E"; empty without a
// recent fix or without positions in the text.
std::string DistanceNote(const CNmeaInClient& ownPosition, const MessageRecord& record);

}  // namespace wavelore::cli
