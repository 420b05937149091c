#include "gui/waterfall_wnd.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace wavelore {

namespace {

// The strip's marker colours, each drawn over a black line so that it
// stands out on the bright rows of a strong signal too.
const QColor kCentreColour(255, 0, 0);
const QColor kToneColour(255, 255, 0);

}  // namespace

CWaterfallWnd::CWaterfallWnd(QWidget* parent) : CTuningDisplayWnd(parent) {}

void CWaterfallWnd::SetTuning(int32_t centre, int32_t halfShift) {
    m_model.SetTuning(centre, halfShift);
    update();
}

void CWaterfallWnd::AddSpectrum(const int32_t* levels) {
    m_model.AddSpectrum(levels);
    RedrawNow();
}

void CWaterfallWnd::Clear() {
    m_model.Clear();
    m_image = QImage();
    update();
}

void CWaterfallWnd::UpdateImage(int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    int64_t fresh = static_cast<int64_t>(m_model.Added() - m_drawn);
    if (m_image.width() != width || m_image.height() != height || fresh >= height ||
        m_model.Filled() == 0) {
        m_image = QImage(width, height, QImage::Format_RGB32);
        fresh = height;
    } else if (fresh > 0) {
        const qsizetype line = m_image.bytesPerLine();
        std::memmove(m_image.scanLine(static_cast<int>(fresh)), m_image.constScanLine(0),
                     static_cast<size_t>(line * (height - fresh)));
    }
    for (int y = 0; y < fresh; ++y) {
        m_model.RenderRow(y, width, reinterpret_cast<uint32_t*>(m_image.scanLine(y)));
    }
    m_drawn = m_model.Added();
}

void CWaterfallWnd::Paint(QPainter& painter, int width, int height) {
    UpdateImage(width, height);
    if (!m_image.isNull()) {
        painter.drawImage(0, 0, m_image);
    }
    if (!m_model.Tuned()) {
        return;
    }
    const auto marker = [&](int x, const QColor& colour, int top, int bottom) {
        painter.setPen(LinePen(Qt::black));
        painter.drawLine(x - 1, top, x - 1, bottom);
        painter.drawLine(x + 1, top, x + 1, bottom);
        painter.setPen(LinePen(colour));
        painter.drawLine(x, top, x, bottom);
    };
    // Short marks at the top, as on the strip's tuning, leaving the rows
    // below them free to read.
    marker(m_model.CentreColumn(width), kCentreColour, 0, std::min(height, 12));
    for (int32_t x : m_model.ToneColumns(width)) {
        marker(x, kToneColour, 0, std::min(height, 24));
    }
}

}  // namespace wavelore
