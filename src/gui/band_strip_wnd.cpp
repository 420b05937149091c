#include "gui/band_strip_wnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

namespace wavelore {

namespace {

const QColor kCentreColour(255, 0, 0);
const QColor kToneColour(255, 255, 0);
const QColor kScaleColour(64, 64, 64);
const QColor kTraceColour(0, 255, 255);
constexpr int kTickStep = 100;    // Hz
constexpr int kMajorTick = 1000;  // Hz
constexpr int kMaxTick = 5500;    // Hz

}  // namespace

CSpectrumWnd::CSpectrumWnd(QWidget* parent) : CDisplayWnd(parent) {}

void CSpectrumWnd::SetTuning(int32_t centre, int32_t halfShift) {
    m_scope.SetTuning(centre, halfShift);
    RedrawNow();
}

void CSpectrumWnd::AddBlock(const SampleBlock& block) {
    Request(m_scope.ProcessBlock(block));
    RedrawNow();
}

void CSpectrumWnd::Request(std::optional<int32_t> centre) {
    if (centre) {
        emit frequencyRequested(*centre);
    }
}

void CSpectrumWnd::Paint(QPainter& painter, int width, int height) {
    const auto column = [width](int32_t f) { return CBandScope::ColumnOfFrequency(f, width); };
    const int32_t centre = m_scope.GetCentre();
    const int32_t halfShift = m_scope.HalfShift();

    painter.setPen(LinePen(kCentreColour));
    painter.drawLine(column(centre), height - height / 4, column(centre), height / 4);

    painter.setPen(LinePen(kToneColour));
    for (int32_t tone : {centre - halfShift, centre + halfShift}) {
        painter.drawLine(column(tone), height - height / 8, column(tone), height / 8);
    }

    const QString label = QString::asprintf("%4dHz", centre);
    const QFontMetrics metrics(font());
    const QRect labelRect(column(centre) - metrics.horizontalAdvance(label) / 2,
                          height - metrics.height(), metrics.horizontalAdvance(label),
                          metrics.height());
    painter.fillRect(labelRect, Qt::black);
    painter.setPen(Qt::white);
    painter.drawText(labelRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, label);

    painter.setPen(LinePen(kScaleColour));
    painter.drawLine(0, height - 2, width, height - 2);
    for (int f = 0; f <= kMaxTick; f += kTickStep) {
        const int top = f % kMajorTick == 0 ? height - 8 : height - 4;
        painter.drawLine(column(f), top, column(f), height - 2);
    }

    const int32_t* spectrum = m_scope.Spectrum();
    if (spectrum == nullptr || width <= 0) {
        return;
    }
    const int32_t traceHeight = height - 3;
    QPolygon trace(width);
    for (int x = 0; x < width; ++x) {
        // Bins 1..10 take no part in the scaling: their rows may lie far
        // off the strip.
        trace.setPoint(
            x, x, CBandScope::RowOfLevel(spectrum[CBandScope::BinOfColumn(x, width)], traceHeight));
    }
    DrawTrace(painter, kTraceColour, trace);
}

void CSpectrumWnd::mousePressEvent(QMouseEvent* event) {
    if (!m_scope.Tuned() || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    Request(m_scope.OnLeftButtonDown(at.x(), at.y(), width()));
    if (m_scope.Dragging()) {
        grabMouse();
    }
}

void CSpectrumWnd::mouseMoveEvent(QMouseEvent* event) {
    if (!m_scope.Dragging()) {
        event->ignore();
        return;
    }
    // A release we never saw (the grab went elsewhere) ends the drag.
    if (!(event->buttons() & Qt::LeftButton)) {
        EndDrag();
        return;
    }
    const bool fine = event->modifiers() & Qt::ControlModifier;
    Request(m_scope.OnMouseMove(event->position().toPoint().x(), fine, width()));
}

void CSpectrumWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    EndDrag();
}

void CSpectrumWnd::changeEvent(QEvent* event) {
    // Another window taking over the pointer ends a drag, as a lost grab.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        EndDrag();
    }
    CDisplayWnd::changeEvent(event);
}

void CSpectrumWnd::hideEvent(QHideEvent* event) {
    EndDrag();
    CDisplayWnd::hideEvent(event);
}

void CSpectrumWnd::EndDrag() {
    m_scope.OnLeftButtonUp();
    if (QWidget::mouseGrabber() == this) {
        releaseMouse();
    }
}

}  // namespace wavelore
