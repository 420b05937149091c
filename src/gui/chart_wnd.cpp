#include "gui/chart_wnd.h"

#include <algorithm>
#include <cmath>

#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QResizeEvent>
#include <QWheelEvent>
#include <QtMath>

#include "app/station_table.h"
#include "geo/coastline_map.h"
#include "gui/translated_text.h"

namespace wavelore {

namespace {

constexpr double kMetresPerNm = 1852.0;
// A drag shorter than this is still a click.
constexpr int kClickSlop = 4;
// Distances are written beside the warnings nearest the own position
// only, so that they stay readable.
constexpr size_t kMaxDistanceLabels = 25;

const QColor kSea(0xd4, 0xe6, 0xf1);
const QColor kLand(0xf2, 0xef, 0xe4);
const QColor kCoast(0x6b, 0x7b, 0x8c);
const QColor kChosen(0xff, 0xd4, 0x00);
// A warning's point: a disc in its subject's colour with a white rim.
constexpr double kMarkerRadius = 6.0;

QColor CategoryColour(WarningCategory category) {
    switch (category) {
        case WarningCategory::SearchAndRescue:
            return QColor(0xd6, 0x1f, 0x1f);
        case WarningCategory::Navigational:
            return QColor(0xb0, 0x1f, 0xa8);
        case WarningCategory::Meteorological:
            return QColor(0x1f, 0x5f, 0xc8);
        case WarningCategory::Ice:
            return QColor(0x10, 0x9c, 0xb0);
        case WarningCategory::Other:
            break;
    }
    return QColor(0x60, 0x60, 0x60);
}

QPolygonF ToScreen(const CMercatorView& view, const std::vector<WorldPoint>& points, int copy) {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const WorldPoint& w : points) {
        const WorldPoint s = view.ToScreen(w, copy);
        polygon.append(QPointF(s.x, s.y));
    }
    return polygon;
}

// Calls draw(copy) for each world copy in which a part's box meets the view
// widened by margin pixels.
template <typename Draw>
void ForEachCopy(const CMercatorView& view, const CChartModel::WorldPart& part, double margin,
                 Draw draw) {
    const WorldPoint topLeft = view.ToScreen(part.min);
    const WorldPoint bottomRight = view.ToScreen(part.max);
    if (bottomRight.y < -margin || topLeft.y > view.Height() + margin) {
        return;
    }
    const double reach = margin / view.Scale();
    int first = 0;
    int last = -1;
    view.Copies(part.min.x - reach, part.max.x + reach, first, last);
    for (int copy = first; copy <= last; ++copy) {
        draw(copy);
    }
}

}  // namespace

CChartWnd::CChartWnd(QWidget* parent) : QWidget(parent) {
    setMinimumSize(200, 150);
    setMouseTracking(false);
    setCursor(Qt::OpenHandCursor);
    // The basemap is built into the program, so a chart is there offline
    // from the first start.
    QFile file(QStringLiteral(":/chart/coastlines.bin"));
    CCoastlineMap map;
    std::string error;
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString().toStdString();
    } else {
        const QByteArray bytes = file.readAll();
        map.Load(std::as_bytes(std::span(bytes.constData(), static_cast<size_t>(bytes.size()))),
                 error);
    }
    if (!error.empty()) {
        m_basemapError =
            tr("The chart's coastlines cannot be read: %1").arg(QString::fromStdString(error));
    }
    m_model.SetBasemap(map);
    m_model.View().SetViewport(width(), height());
}

void CChartWnd::SetWarnings(std::vector<ChartWarning> warnings) {
    m_model.SetWarnings(std::move(warnings));
    Changed();
}

void CChartWnd::SetNavArea(int32_t navArea) {
    std::vector<ChartStation> stations;
    for (const NavtexStation& s : CStationTable::OfNavArea(navArea)) {
        stations.push_back(
            {std::u16string(1, s.b1), std::u16string(s.name), {s.latitude, s.longitude}});
    }
    m_model.SetStations(std::move(stations));
    Changed();
}

void CChartWnd::SetHideRepeats(bool hide) {
    m_model.SetHideRepeats(hide);
    Changed();
}

void CChartWnd::SetShowAll(bool all) {
    m_model.SetShowAll(all);
    Changed();
}

void CChartWnd::SetNow(const LocalTime& utc) {
    m_model.SetNow(utc);
    Changed();
}

void CChartWnd::SetOwnPosition(std::optional<GeoPosition> position) {
    m_model.SetOwnPosition(position);
    Changed();
}

bool CChartWnd::ShowMessage(const WarningIdentity& identity) {
    if (!m_model.ShowMessage(identity)) {
        return false;
    }
    Changed();
    return true;
}

void CChartWnd::Changed() {
    update();
}

void CChartWnd::PaintChart(QPainter& painter) {
    PaintBasemap(painter);
    painter.setRenderHint(QPainter::Antialiasing, true);
    PaintWarnings(painter);
    PaintStations(painter);
    PaintOwnPosition(painter);
    PaintLegend(painter);
}

void CChartWnd::PaintBasemap(QPainter& painter) {
    const CMercatorView& view = m_model.View();
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QSize pixels(qRound(view.Width() * ratio), qRound(view.Height() * ratio));
    if (m_basemap.size() != pixels || m_basemapScale != view.Scale() ||
        m_basemapCentre.x != view.Centre().x || m_basemapCentre.y != view.Centre().y) {
        m_basemap = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_basemap.setDevicePixelRatio(ratio);
        m_basemap.fill(kSea);
        QPainter base(&m_basemap);
        const CCoastlineMap::Level level = m_model.BasemapLevel();
        // Land without antialiasing, so that neighbouring countries meet
        // without a seam, and by winding: a ring thinned for the file may
        // cross itself, which even-odd filling leaves as sea. The coast is
        // drawn smooth over its edge.
        base.setPen(Qt::NoPen);
        base.setBrush(kLand);
        for (const CChartModel::WorldPart& part : m_model.Land(level)) {
            ForEachCopy(view, part, 0.0, [&](int copy) {
                base.drawPolygon(ToScreen(view, part.points, copy), Qt::WindingFill);
            });
        }
        base.setRenderHint(QPainter::Antialiasing, true);
        base.setPen(QPen(kCoast, 1.0));
        base.setBrush(Qt::NoBrush);
        for (const CChartModel::WorldPart& part : m_model.Coast(level)) {
            ForEachCopy(view, part, 1.0,
                        [&](int copy) { base.drawPolyline(ToScreen(view, part.points, copy)); });
        }
        m_basemapScale = view.Scale();
        m_basemapCentre = view.Centre();
    }
    painter.drawImage(QPointF(0, 0), m_basemap);
}

void CChartWnd::PaintWarnings(QPainter& painter) {
    const CMercatorView& view = m_model.View();
    struct Label {
        QPointF at;
        double metres;
    };
    std::vector<Label> labels;
    const qreal ratio = painter.device()->devicePixelRatioF();
    for (const CChartModel::Shape& shape : m_model.Shapes()) {
        const QColor colour = CategoryColour(shape.category);
        // A warning a few pixels across is drawn as a point: its outline
        // would show nothing more, and a year of them stays quick to draw.
        const bool dot =
            shape.kind == GeometryKind::Point ||
            (!shape.chosen && (shape.part.max.x - shape.part.min.x) * view.Scale() < 4.0 &&
             (shape.part.max.y - shape.part.min.y) * view.Scale() < 4.0);
        ForEachCopy(view, shape.part, 8.0, [&](int copy) {
            if (dot) {
                const WorldPoint s = view.ToScreen(shape.part.points.front(), copy);
                const QImage& marker = Marker(shape.category, ratio);
                const QPointF at(s.x, s.y);
                if (shape.chosen) {
                    painter.setPen(QPen(kChosen, 4.0));
                    painter.setBrush(Qt::NoBrush);
                    painter.drawEllipse(at, 7.0, 7.0);
                }
                painter.drawImage(at - QPointF(kMarkerRadius, kMarkerRadius), marker);
                if (!std::isnan(shape.distanceMetres)) {
                    labels.push_back({at, shape.distanceMetres});
                }
                return;
            }
            const QPolygonF points = ToScreen(view, shape.part.points, copy);
            if (shape.chosen) {
                // A wide yellow halo under the chosen message.
                painter.setPen(QPen(kChosen, 7.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                painter.setBrush(Qt::NoBrush);
                if (shape.closed) {
                    painter.drawPolygon(points);
                } else {
                    painter.drawPolyline(points);
                }
            }
            if (shape.closed) {
                QColor fill = colour;
                fill.setAlpha(50);
                painter.setPen(QPen(colour, 1.5));
                painter.setBrush(fill);
                painter.drawPolygon(points);
            } else {
                painter.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                painter.setBrush(Qt::NoBrush);
                painter.drawPolyline(points);
            }
            if (!std::isnan(shape.distanceMetres)) {
                labels.push_back({points.front(), shape.distanceMetres});
            }
        });
    }
    std::sort(labels.begin(), labels.end(),
              [](const Label& a, const Label& b) { return a.metres < b.metres; });
    labels.resize(std::min(labels.size(), kMaxDistanceLabels));
    painter.setPen(Qt::black);
    const QFontMetricsF metrics = painter.fontMetrics();
    std::vector<QRectF> taken;
    for (const Label& label : labels) {
        const QString text = tr("%1 NM").arg(label.metres / kMetresPerNm, 0, 'f', 1);
        const QRectF box = metrics.boundingRect(text).translated(label.at + QPointF(7.0, -6.0));
        // The nearer warning keeps its label where two would overlap.
        if (std::any_of(taken.begin(), taken.end(),
                        [&](const QRectF& other) { return other.intersects(box); })) {
            continue;
        }
        taken.push_back(box);
        painter.drawText(label.at + QPointF(7.0, -6.0), text);
    }
}

const QImage& CChartWnd::Marker(WarningCategory category, qreal ratio) {
    // Drawn once per subject: thousands of points are then copies of an
    // image rather than antialiased discs each.
    QImage& marker = m_markers[static_cast<size_t>(category)];
    if (marker.isNull() || marker.devicePixelRatio() != ratio) {
        const int side = qCeil(2 * kMarkerRadius * ratio);
        marker = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        marker.setDevicePixelRatio(ratio);
        marker.fill(Qt::transparent);
        QPainter p(&marker);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(CategoryColour(category));
        p.drawEllipse(QPointF(kMarkerRadius, kMarkerRadius), 4.5, 4.5);
    }
    return marker;
}

void CChartWnd::PaintStations(QPainter& painter) {
    const CMercatorView& view = m_model.View();
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(QColor(0x20, 0x20, 0x20));
    for (const ChartStation& station : m_model.Stations()) {
        CChartModel::WorldPart part;
        part.points = {Project(station.position)};
        part.min = part.max = part.points.front();
        ForEachCopy(view, part, 40.0, [&](int copy) {
            const WorldPoint s = view.ToScreen(part.points.front(), copy);
            const QPointF at(s.x, s.y);
            // A mast: a small triangle with the station's letter.
            const QPolygonF mast({at + QPointF(0, -7), at + QPointF(-5, 3), at + QPointF(5, 3)});
            painter.drawPolygon(mast);
            painter.drawText(at + QPointF(7.0, 4.0),
                             ToQString(station.letters + u" " + station.name));
        });
    }
}

void CChartWnd::PaintOwnPosition(QPainter& painter) {
    const std::optional<GeoPosition> own = m_model.OwnPosition();
    if (!own) {
        return;
    }
    const CMercatorView& view = m_model.View();
    CChartModel::WorldPart part;
    part.points = {Project(*own)};
    part.min = part.max = part.points.front();
    ForEachCopy(view, part, 12.0, [&](int copy) {
        const WorldPoint s = view.ToScreen(part.points.front(), copy);
        const QPointF at(s.x, s.y);
        painter.setPen(QPen(Qt::black, 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(at, 8.0, 8.0);
        painter.drawLine(at + QPointF(-12, 0), at + QPointF(12, 0));
        painter.drawLine(at + QPointF(0, -12), at + QPointF(0, 12));
    });
}

void CChartWnd::PaintLegend(QPainter& painter) {
    const struct {
        WarningCategory category;
        QString name;
    } entries[] = {
        {WarningCategory::Navigational, tr("Navigational")},
        {WarningCategory::Meteorological, tr("Meteorological")},
        {WarningCategory::SearchAndRescue, tr("Search and rescue")},
        {WarningCategory::Ice, tr("Ice")},
        {WarningCategory::Other, tr("Other")},
    };
    const QFontMetrics metrics = painter.fontMetrics();
    const int line = metrics.height() + 2;
    int nameWidth = 0;
    for (const auto& e : entries) {
        nameWidth = std::max(nameWidth, metrics.horizontalAdvance(e.name));
    }
    const QRectF box(8, 8, nameWidth + 34, line * 5 + 10);
    painter.setPen(QPen(kCoast, 1.0));
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawRect(box);
    int y = 13;
    for (const auto& e : entries) {
        painter.setPen(Qt::white);
        painter.setBrush(CategoryColour(e.category));
        painter.drawEllipse(QPointF(box.left() + 14, y + line / 2.0), 4.5, 4.5);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(box.left() + 26, y, nameWidth + 4, line),
                         Qt::AlignLeft | Qt::AlignVCenter, e.name);
        y += line;
    }
    if (!m_basemapError.isEmpty()) {
        painter.setPen(Qt::darkRed);
        painter.drawText(QRectF(8, height() - line - 8, width() - 16, line),
                         Qt::AlignLeft | Qt::AlignVCenter, m_basemapError);
    }
}

void CChartWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintChart(painter);
}

void CChartWnd::resizeEvent(QResizeEvent* event) {
    m_model.View().SetViewport(event->size().width(), event->size().height());
    QWidget::resizeEvent(event);
}

void CChartWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_dragged = false;
    m_pressAt = m_lastDrag = event->position().toPoint();
}

void CChartWnd::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed) {
        return;
    }
    const QPoint at = event->position().toPoint();
    if (!m_dragged && (at - m_pressAt).manhattanLength() < kClickSlop) {
        return;
    }
    if (!m_dragged) {
        m_dragged = true;
        setCursor(Qt::ClosedHandCursor);
    }
    m_model.View().Pan(at.x() - m_lastDrag.x(), at.y() - m_lastDrag.y());
    m_lastDrag = at;
    update();
}

void CChartWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    setCursor(Qt::OpenHandCursor);
    if (m_dragged) {
        return;
    }
    const QPointF at = event->position();
    const std::optional<WarningIdentity> hit = m_model.HitTest(at.x(), at.y());
    if (hit) {
        m_model.SetChosen(*hit);
        update();
        emit MessageClicked(*hit);
    }
}

void CChartWnd::wheelEvent(QWheelEvent* event) {
    // One notch (120) zooms by the fourth root of 2: four notches double.
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0) {
        return;
    }
    const QPointF at = event->position();
    m_model.View().ZoomAt(std::pow(2.0, notches / 4.0), at.x(), at.y());
    update();
    event->accept();
}

}  // namespace wavelore
