#include "gui/display_wnd.h"

#include <QPainter>
#include <QPolygon>

namespace wavelore {

CDisplayWnd::CDisplayWnd(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CDisplayWnd::RedrawNow() {
    repaint();
}

QPen CDisplayWnd::LinePen(const QColor& colour) {
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCosmetic(true);
    return pen;
}

void CDisplayWnd::DrawTrace(QPainter& painter, const QColor& colour, const QPolygon& points) {
    painter.setPen(LinePen(colour));
    painter.drawPolyline(points);
    painter.drawPoints(points);
}

void CDisplayWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect(), Qt::black);
    Paint(painter, width(), height());
}

}  // namespace wavelore
