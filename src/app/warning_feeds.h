#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/message_filter.h"
#include "app/message_geometries.h"
#include "common/clock.h"
#include "geo/warning_geometry.h"

namespace wavelore {

class CMessageIndex;
class IUserNotifier;

// The warnings in force as layers for chart programs: logs/warnings.geojson
// (RFC 7946) and logs/warnings.gpx (GPX 1.1), each replaced whole
// (RewriteFileAtomically) after every stored message, so that a program
// reading them never sees half a file.
//
// They hold the geometries of the selected messages received within the
// last days (kDefaultDays unless set), one reception per message identity
// (B1B2B3B4): the newest that is not a repeat, or the newest repeat when
// every reception in those days is one. Repeats thus keep a warning in the
// feeds for as long as it is broadcast, without drawing it twice, and a
// warning no longer broadcast leaves them the given days after it was last
// heard. Each feature carries the message's text, read from its file.
class CWarningFeeds final : public IMessageOutput {
  public:
    // A warning in force is broadcast again at least daily; a week without
    // hearing it outlasts a receiver switched off over a few days, and
    // keeps cancelled warnings off the chart after that.
    static constexpr int32_t kDefaultDays = 7;
    static constexpr std::u16string_view kGeoJsonName = u"warnings.geojson";
    static constexpr std::u16string_view kGpxName = u"warnings.gpx";

    // base: the directory holding logs/. index: where the geometries are
    // looked up; must outlive the feeds. notifier (may be null): hears once
    // of files that cannot be written, until they can again.
    CWarningFeeds(const std::filesystem::path& base, CMessageIndex& index, IUserNotifier* notifier);
    CWarningFeeds(const CWarningFeeds&) = delete;
    CWarningFeeds& operator=(const CWarningFeeds&) = delete;

    // The NAVAREA whose station names the features carry.
    void SetNavArea(int32_t navArea) { m_navArea = navArea; }
    // Days a warning stays after it was last heard, 1 or more.
    void SetDays(int32_t days) { m_days = days < 1 ? 1 : days; }

    std::filesystem::path GeoJsonPath() const;
    std::filesystem::path GpxPath() const;

    // Rewrites both files with the warnings current at now (local time).
    // The first failure, or nothing. While the index cannot give its
    // geometries (a fresh one being filled) the files stay as they are and
    // the rewrite is owed.
    std::error_code Rewrite(const LocalTime& now);
    // The rewrite owed, if any, once the index can give them; for a timer
    // of the host.
    void RewriteOwed();

    // The features the feeds show out of the index's geometries: the
    // reception per identity chosen as above, its geometries in their
    // order, and the text given by textOf (a message's path to its text).
    template <typename TextOf>
    static std::vector<WarningFeature> Current(const std::vector<IndexedGeometry>& rows,
                                               TextOf&& textOf);

    // IMessageOutput: a rewrite at the message's frame time.
    void Deliver(const MessageRecord& record, const MessageVerdict& verdict) override;

  private:
    // Which stored message stands for each identity among rows.
    static std::map<std::u16string, std::filesystem::path> Chosen(
        const std::vector<IndexedGeometry>& rows);

    std::filesystem::path m_logs;
    CMessageIndex& m_index;
    IUserNotifier* m_notifier;
    int32_t m_navArea = 1;
    int32_t m_days = kDefaultDays;
    bool m_failing = false;
    std::optional<LocalTime> m_owed;  // the time of a rewrite held up
    // The texts of the messages in the feeds, read once.
    std::map<std::filesystem::path, std::u16string> m_texts;
};

template <typename TextOf>
std::vector<WarningFeature> CWarningFeeds::Current(const std::vector<IndexedGeometry>& rows,
                                                   TextOf&& textOf) {
    const std::map<std::u16string, std::filesystem::path> chosen = Chosen(rows);
    std::vector<WarningFeature> features;
    for (const IndexedGeometry& row : rows) {
        const auto it = chosen.find(row.geometry.identity.code);
        if (it != chosen.end() && it->second == row.path) {
            features.push_back({row.geometry, textOf(row.path)});
        }
    }
    return features;
}

}  // namespace wavelore
