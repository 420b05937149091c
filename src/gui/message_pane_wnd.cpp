#include "gui/message_pane_wnd.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

namespace wavelore {

namespace {

// The buttons stand in a band 15 pixels high above the views.
constexpr int kButtonBand = 15;

QRect ToQRect(const PaneRect& r) {
    return QRect(r.left, r.top, r.width, r.height);
}

// A 3-D frame inside r: top and left edges light, bottom and right dark.
void Draw3dRect(QPainter& painter, const QRect& r, const QColor& light, const QColor& dark) {
    painter.fillRect(r.left(), r.top(), r.width() - 1, 1, light);
    painter.fillRect(r.left(), r.top(), 1, r.height() - 1, light);
    painter.fillRect(r.right(), r.top(), 1, r.height(), dark);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, dark);
}

}  // namespace

CMessagePaneWnd::CMessagePaneWnd(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    m_slide.setInterval(kSlideStepMs);
    connect(&m_slide, &QTimer::timeout, this, &CMessagePaneWnd::OnSlideStep);
}

void CMessagePaneWnd::SetButtons(QWidget* raw, QWidget* messages, QWidget* after) {
    m_buttons[0] = raw;
    m_buttons[1] = messages;
    m_buttons[2] = after;
    for (QWidget* button : m_buttons) {
        if (button) {
            button->resize(button->sizeHint());
        }
    }
    Relayout();
}

void CMessagePaneWnd::SetTextPane(QWidget* textPane) {
    m_textPane = textPane;
    Relayout();
}

void CMessagePaneWnd::SetExplorer(QWidget* explorer) {
    m_explorer = explorer;
    Relayout();
}

void CMessagePaneWnd::SetPaneSplit(int32_t perMille) {
    m_slide.stop();
    m_pane = CPaneLayout(perMille);
    Relayout();
}

void CMessagePaneWnd::ShowExplorer(bool shown) {
    const bool slide = shown ? m_pane.Open() : m_pane.Close();
    if (slide) {
        m_slide.start();
    } else {
        m_slide.stop();
    }
    Relayout();
}

void CMessagePaneWnd::OnSlideStep() {
    if (!m_pane.Tick()) {
        m_slide.stop();
    }
    Relayout();
}

void CMessagePaneWnd::Relayout() {
    // Buttons taller than the band grow upwards, so that the views still
    // start right below them.
    int band = kButtonBand;
    for (const QWidget* button : m_buttons) {
        if (button) {
            band = std::max(band, button->height());
        }
    }
    const int d = band - 10;
    m_geometry = m_pane.Layout(width(), height(), d);
    const PanePoint corners[3] = {m_geometry.rawButton, m_geometry.messagesButton,
                                  m_geometry.afterButtons};
    for (int i = 0; i < 3; ++i) {
        if (m_buttons[i]) {
            m_buttons[i]->move(corners[i].x, corners[i].y - (band - kButtonBand));
        }
    }
    if (m_textPane) {
        m_textPane->setGeometry(ToQRect(m_geometry.textPane));
    }
    if (m_explorer) {
        m_explorer->setGeometry(ToQRect(m_geometry.explorer));
    }
    update();
}

void CMessagePaneWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void CMessagePaneWnd::paintEvent(QPaintEvent*) {
    if (!m_pane.DrawsBar()) {
        return;
    }
    QPainter painter(this);
    QRect bar = ToQRect(m_geometry.splitter);
    const QColor face = palette().color(QPalette::Button);
    if (!m_pane.Dragging()) {
        painter.fillRect(bar, face);
        return;
    }
    // Pressed: a sunken-looking bar, two frames around a narrower face.
    bar.adjust(2, 2, -2, -2);
    painter.fillRect(bar, face);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    for (int frame = 0; frame < 2; ++frame) {
        bar.adjust(-1, -1, 1, 1);
        Draw3dRect(painter, bar, light, dark);
    }
}

void CMessagePaneWnd::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_pane.Press(at.x(), at.y(), m_geometry)) {
        update();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CMessagePaneWnd::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (at == m_lastMove) {
        return;
    }
    m_lastMove = at;
    if (m_pane.SizingCursorAt(at.x(), at.y(), m_geometry)) {
        setCursor(Qt::SizeHorCursor);
    } else {
        unsetCursor();
    }
    if (m_pane.Drag(at.x(), width())) {
        Relayout();
    }
}

void CMessagePaneWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (const std::optional<int32_t> perMille = m_pane.Release()) {
        update();
        emit paneSplitDragged(*perMille);
    }
}

}  // namespace wavelore
