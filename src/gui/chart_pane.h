#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "app/message_index.h"
#include "common/clock.h"
#include "geo/warning_geometry.h"

namespace wavelore {

class CChartWnd;

// The chart window: the warnings of the stored messages of the last days,
// their positions read from the message texts, over the offline basemap
// with the stations of the NAVAREA. Choosing a message in the explorer
// brings it into view (ShowStoredMessage); a click on a warning asks the
// host to open its message (messageOpened).
class CChartPane : public QWidget {
    Q_OBJECT

  public:
    // Days back from today whose messages are on the chart.
    static constexpr int32_t kDays = 7;

    // index: the message index the warnings come from; clock: where
    // today is. Both must outlive the pane.
    CChartPane(CMessageIndex* index, const IClock& clock, QWidget* parent);

    void SetNavArea(int32_t navArea);
    void SetHideRepeats(bool hide);
    // The ship's own position (an NMEA source), or none: drawn with the
    // distance to the nearest warnings.
    void SetOwnPosition(std::optional<GeoPosition> position);

    // A message chosen elsewhere: shown on the chart when it has a
    // position. False when it has none.
    bool ShowStoredMessage(const std::filesystem::path& path);
    // Shows the window and brings it to the front.
    void Open();
    // Reads the warnings again from the index (also done when shown).
    void Reload();

    CChartWnd* Chart() const { return m_chart; }

  signals:
    void messageOpened(const std::filesystem::path& path);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    static std::string Key(const WarningIdentity& identity);
    static WarningIdentity IdentityOf(const IndexedMessage& row);

    CMessageIndex* m_index;
    const IClock& m_clock;
    CChartWnd* m_chart;
    // Each warning's message file, by identity.
    std::map<std::string, std::filesystem::path> m_paths;
};

}  // namespace wavelore
