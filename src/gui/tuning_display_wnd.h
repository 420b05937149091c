#pragma once

#include <cstdint>
#include <optional>

#include "gui/display_wnd.h"

namespace wavelore {

class CTuningPointer;

// A display across 0 to 5512 Hz that tunes by click and drag (Ctrl for
// fine steps): the spectrum strip and the waterfall. Presses, moves and
// releases go to the model's pointer; what it asks for leaves through
// frequencyRequested, and the markers move only when the host sets the
// tuning again.
class CTuningDisplayWnd : public CDisplayWnd {
    Q_OBJECT

  public:
    explicit CTuningDisplayWnd(QWidget* parent = nullptr);

  signals:
    // A centre frequency (Hz) the user or the search asks for.
    void frequencyRequested(int32_t centre);

  protected:
    // The model's pointer, or null while the display takes no mouse input
    // (before its first tuning).
    virtual CTuningPointer* Pointer() = 0;
    // Half the distance between the tones, Hz.
    virtual int32_t PointerHalfShift() const = 0;
    void Request(std::optional<int32_t> centre);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void EndDrag();
};

}  // namespace wavelore
