#include "gui/tuning_display_wnd.h"

#include <QMouseEvent>

#include "display/tuning_pointer.h"

namespace wavelore {

CTuningDisplayWnd::CTuningDisplayWnd(QWidget* parent) : CDisplayWnd(parent) {}

void CTuningDisplayWnd::Request(std::optional<int32_t> centre) {
    if (centre) {
        emit frequencyRequested(*centre);
    }
}

void CTuningDisplayWnd::mousePressEvent(QMouseEvent* event) {
    CTuningPointer* pointer = Pointer();
    if (pointer == nullptr || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    Request(pointer->OnLeftButtonDown(at.x(), at.y(), width(), PointerHalfShift()));
    if (pointer->Dragging()) {
        grabMouse();
    }
}

void CTuningDisplayWnd::mouseMoveEvent(QMouseEvent* event) {
    CTuningPointer* pointer = Pointer();
    if (pointer == nullptr || !pointer->Dragging()) {
        event->ignore();
        return;
    }
    // A release we never saw (the grab went elsewhere) ends the drag.
    if (!(event->buttons() & Qt::LeftButton)) {
        EndDrag();
        return;
    }
    const bool fine = event->modifiers() & Qt::ControlModifier;
    Request(
        pointer->OnMouseMove(event->position().toPoint().x(), fine, width(), PointerHalfShift()));
}

void CTuningDisplayWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    EndDrag();
}

void CTuningDisplayWnd::changeEvent(QEvent* event) {
    // Another window taking over the pointer ends a drag, as a lost grab.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        EndDrag();
    }
    CDisplayWnd::changeEvent(event);
}

void CTuningDisplayWnd::hideEvent(QHideEvent* event) {
    EndDrag();
    CDisplayWnd::hideEvent(event);
}

void CTuningDisplayWnd::EndDrag() {
    if (CTuningPointer* pointer = Pointer()) {
        pointer->OnLeftButtonUp();
    }
    if (QWidget::mouseGrabber() == this) {
        releaseMouse();
    }
}

}  // namespace wavelore
