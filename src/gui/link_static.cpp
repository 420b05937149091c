#include "gui/link_static.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace wavelore {

namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;

}  // namespace

CLinkStatic::CLinkStatic(QWidget* parent) : QWidget(parent) {
    connect(&m_blinkTimer, &QTimer::timeout, this, &CLinkStatic::BlinkTick);
}

void CLinkStatic::SetLinkText(const QString& text) {
    m_text = text;
    updateGeometry();
    update();
}

void CLinkStatic::SetLinkStyle(int32_t flags, const QColor& colour) {
    m_flags = flags;
    m_colour = colour;
    if (m_flags & kClickable) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    update();
}

void CLinkStatic::SetBlinkTimer(int32_t periodMs) {
    m_blinkTimer.start(periodMs);
}

void CLinkStatic::BlinkTick() {
    if (m_flags & kBlinking) {
        m_hidden = !m_hidden;
    } else {
        m_hidden = false;
        m_blinkTimer.stop();
    }
    repaint();
}

QSize CLinkStatic::sizeHint() const {
    const QSize text = fontMetrics().size(Qt::TextSingleLine, m_text);
    return {text.width() + 2, text.height() + 2};
}

void CLinkStatic::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (m_hidden || m_text.isEmpty()) {
        return;
    }
    // Text on an opaque button-face ground, like the dialog's other labels.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(palette().button());
    painter.setPen(m_colour);
    painter.drawText(rect(), kTextFlags, m_text);
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    if (!(m_flags & kClickable)) {
        // Not a link: the click belongs to whatever lies beneath.
        event->ignore();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        QDesktopServices::openUrl(QUrl::fromUserInput(m_text));
    }
}

}  // namespace wavelore
