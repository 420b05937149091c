#include "app/warning_feeds.h"

#include "app/log_day.h"
#include "app/message_index.h"
#include "common/user_notifier.h"
#include "common/user_text.h"
#include "common/utf.h"
#include "geo/atomic_file.h"
#include "geo/geojson_writer.h"
#include "geo/gpx_writer.h"

namespace wavelore {

CWarningFeeds::CWarningFeeds(const std::filesystem::path& base, CMessageIndex& index,
                             IUserNotifier* notifier)
    : m_logs(AbsoluteBase(base) / kLogsDirName), m_index(index), m_notifier(notifier) {}

std::filesystem::path CWarningFeeds::GeoJsonPath() const {
    return m_logs / kGeoJsonName;
}

std::filesystem::path CWarningFeeds::GpxPath() const {
    return m_logs / kGpxName;
}

std::map<std::u16string, std::filesystem::path> CWarningFeeds::Chosen(
    const std::vector<IndexedGeometry>& rows) {
    // Rows come in frame-time order, so a later row is a newer reception.
    std::map<std::u16string, std::filesystem::path> chosen;
    std::map<std::u16string, bool> chosenRepeat;
    for (const IndexedGeometry& row : rows) {
        const std::u16string& code = row.geometry.identity.code;
        const auto it = chosenRepeat.find(code);
        if (it == chosenRepeat.end() || !row.repeat || it->second) {
            chosen[code] = row.path;
            chosenRepeat[code] = row.repeat;
        }
    }
    return chosen;
}

std::error_code CWarningFeeds::Rewrite(const LocalTime& now) {
    GeometryQuery query;
    query.from = CalendarSeconds(now) - int64_t{m_days} * 86400;
    query.selectedOnly = true;
    query.navArea = m_navArea;
    const std::optional<std::vector<IndexedGeometry>> rows = m_index.Geometries(query);
    if (!rows) {
        // The files keep what they had until the index can say.
        m_owed = now;
        return {};
    }
    m_owed.reset();
    std::map<std::filesystem::path, std::u16string> texts;
    const std::vector<WarningFeature> features =
        Current(*rows, [&](const std::filesystem::path& path) {
            auto [it, added] = texts.try_emplace(path);
            if (added) {
                const auto old = m_texts.find(path);
                it->second = old != m_texts.end() ? std::move(old->second)
                                                  : CMessageGeometries::ReadStoredText(path);
            }
            return it->second;
        });
    m_texts = std::move(texts);
    // A log tree without any warning that has a position gets no files;
    // once written they are kept, emptied when the last warning expires.
    std::error_code ignored;
    if (features.empty() && !std::filesystem::exists(GeoJsonPath(), ignored) &&
        !std::filesystem::exists(GpxPath(), ignored)) {
        m_failing = false;
        return {};
    }

    std::filesystem::path failed;
    std::error_code error = RewriteFileAtomically(GeoJsonPath(), WriteGeoJson(features));
    if (error) {
        failed = GeoJsonPath();
    }
    const std::error_code gpx = RewriteFileAtomically(GpxPath(), WriteGpx(features));
    if (gpx && !error) {
        error = gpx;
        failed = GpxPath();
    }
    if (error && !m_failing && m_notifier != nullptr) {
        m_notifier->ShowText(
            {texts::kWarningFeedWrite, {PathText(failed), FromUtf8(error.message())}});
    }
    m_failing = static_cast<bool>(error);
    return error;
}

void CWarningFeeds::RewriteOwed() {
    if (m_owed) {
        Rewrite(*m_owed);
    }
}

void CWarningFeeds::Deliver(const MessageRecord& record, const MessageVerdict&) {
    LocalTime at;
    if (ParseLocalTime(ToUtf8(record.date + u' ' + record.time), at)) {
        Rewrite(at);
    }
}

}  // namespace wavelore
