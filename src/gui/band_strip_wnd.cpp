#include "gui/band_strip_wnd.h"

#include <QPainter>
#include <QPolygon>

namespace wavelore {

namespace {

const QColor kCentreColour(255, 0, 0);
const QColor kToneColour(255, 255, 0);
const QColor kScaleColour(64, 64, 64);
const QColor kTraceColour(0, 255, 255);

}  // namespace

CSpectrumWnd::CSpectrumWnd(QWidget* parent) : CTuningDisplayWnd(parent) {}

void CSpectrumWnd::SetTuning(int32_t centre, int32_t halfShift) {
    m_scope.SetTuning(centre, halfShift);
    RedrawNow();
}

void CSpectrumWnd::ShowSpectrum(const int32_t* levels) {
    m_scope.SetSpectrum(levels);
    RedrawNow();
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
    for (const FrequencyTick& tick : FrequencyTicks(width)) {
        painter.drawLine(tick.x, tick.major ? height - 8 : height - 4, tick.x, height - 2);
    }

    const int32_t* spectrum = m_scope.TraceLevels();
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

}  // namespace wavelore
