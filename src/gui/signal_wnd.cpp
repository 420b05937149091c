#include "gui/signal_wnd.h"

#include <QPainter>
#include <QPolygon>

namespace wavelore {

CSignalWnd::CSignalWnd(QWidget* parent) : CDisplayWnd(parent) {}

void CSignalWnd::AddBlock(const SampleBlock& block) {
    m_history.ProcessBlock(block);
    RedrawNow();
}

void CSignalWnd::Paint(QPainter& painter, int width, int height) {
    if (!m_history.HasTrace() || width <= 0) {
        return;
    }
    QPolygon trace(width);
    for (int x = 0; x < width; ++x) {
        trace.setPoint(x, x, m_history.RowOfColumn(x, width, height));
    }
    DrawTrace(painter, QColor(255, 0, 0), trace);
}

}  // namespace wavelore
