#pragma once

#include <optional>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include "common/clock.h"
#include "geo/chart_model.h"

class QPainter;

namespace wavelore {

// The chart pane: the offline basemap, the NAVTEX stations of the NAVAREA,
// the warnings coloured by subject (search and rescue red, navigational
// magenta, meteorological blue, ice cyan, other grey), the chosen message
// highlighted and the own position with the distance to each warning in
// view. A drag pans, the wheel zooms, a click on a warning chooses its
// message (MessageClicked). CChartModel decides what is shown; the widget
// paints it.
class CChartWnd final : public QWidget {
    Q_OBJECT

  public:
    explicit CChartWnd(QWidget* parent = nullptr);

    // What the chart shows; each redraws it.
    void SetWarnings(std::vector<ChartWarning> warnings);
    // The stations of a NAVAREA from the station table; 0: none.
    void SetNavArea(int32_t navArea);
    void SetHideRepeats(bool hide);
    void SetShowAll(bool all);
    // The current time in UTC, for the warnings' own cancel times.
    void SetNow(const LocalTime& utc);
    void SetOwnPosition(std::optional<GeoPosition> position);
    // The message chosen elsewhere (the explorer), brought into view:
    // false when it has no position, and then the chart stays as it was.
    bool ShowMessage(const WarningIdentity& identity);

    const CChartModel& Model() const { return m_model; }
    CChartModel& Model() { return m_model; }
    // Why the basemap could not be read (the chart then shows the sea
    // alone); empty when it was.
    const QString& BasemapError() const { return m_basemapError; }

    // Paints the whole chart at the widget's size, as on screen.
    void PaintChart(QPainter& painter);

  signals:
    // A click on a warning: its message's identity.
    void MessageClicked(const wavelore::WarningIdentity& identity);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void PaintBasemap(QPainter& painter);
    void PaintWarnings(QPainter& painter);
    void PaintStations(QPainter& painter);
    void PaintOwnPosition(QPainter& painter);
    void PaintLegend(QPainter& painter);
    const QImage& Marker(WarningCategory category, qreal ratio);
    void Changed();

    CChartModel m_model;
    QString m_basemapError;
    // The basemap drawn for the view it was drawn for: redrawn only when
    // the view or the size changes, not for every warning shown.
    QImage m_basemap;
    double m_basemapScale = 0.0;
    WorldPoint m_basemapCentre;
    QImage m_markers[static_cast<size_t>(WarningCategory::Other) + 1];
    QPoint m_pressAt;
    QPoint m_lastDrag;
    bool m_pressed = false;
    bool m_dragged = false;
};

}  // namespace wavelore
