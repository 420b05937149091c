#pragma once

#include <cstdint>
#include <optional>

namespace wavelore {

struct PaneRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;

    // Left and top edges inside, right and bottom outside.
    bool Contains(int32_t x, int32_t y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
};

struct PanePoint {
    int32_t x = 0;
    int32_t y = 0;
};

// The message pane of the main window: the text views on the left, the
// Message Explorer on the right, the splitter bar between them that the user
// drags, and the explorer sliding closed and open with the modes. Positions
// are pixels in the window's client area (W x H).
class CPaneLayout {
  public:
    enum class Mode : int32_t { Open = 0, Closed = 1, Closing = 2, Opening = 3 };

    struct Geometry {
        // Top-left corners of the "Raw data" and "Messages" buttons and the
        // control after them; their sizes stay as they are.
        PanePoint rawButton;
        PanePoint messagesButton;
        PanePoint afterButtons;
        PaneRect textPane;  // the view shown; the other one is hidden
        PaneRect explorer;
        PaneRect splitter;  // the bar's hit area
    };

    // perMille: the "PaneSplit" setting, the text views' share of the width.
    explicit CPaneLayout(int32_t perMille);

    // The window's client area: the panes start a fifth of the way down,
    // d = (height / 10) * 2. Widths and heights that the formula would make
    // negative (a window narrower than its margins, the last ticks of a
    // slide) are 0.
    Geometry Layout(int32_t width, int32_t height) const;
    // The same with d given: for an area whose top rows are laid out by
    // other means, d is 5 pixels below the top of the buttons.
    Geometry Layout(int32_t width, int32_t height, int32_t d) const;

    float Ratio() const { return m_ratio; }
    Mode PaneMode() const { return m_mode; }
    bool Dragging() const { return m_dragging; }
    // The bar is drawn while the explorer is open or opening, and offers the
    // sizing cursor only while it is open.
    bool DrawsBar() const { return m_mode == Mode::Open || m_mode == Mode::Opening; }
    // Whether (x, y) is on the bar of a pane laid out as g.
    bool SizingCursorAt(int32_t x, int32_t y, const Geometry& g) const;

    // Left button down at (x, y) in a pane laid out as g: true when it
    // starts a drag (capture the mouse). Only an open explorer's bar can be
    // dragged.
    bool Press(int32_t x, int32_t y, const Geometry& g);
    // The pointer at x while dragging: true when the ratio changed (lay out
    // again). x is kept within [10, width - 10].
    bool Drag(int32_t x, int32_t width);
    // Left button up: the "PaneSplit" value to write when a drag ended, even
    // one that ended where it started.
    std::optional<int32_t> Release();

    // Slide requests: true when the 40 ms timer must run. A request during
    // a slide finishes it at once (closed, or open at the saved ratio) and
    // stops the timer; a request for the state already reached does nothing.
    bool Close();
    bool Open();
    // One timer step of a slide; false when it has ended (stop the timer).
    bool Tick();

    static constexpr int32_t kEdge = 10;  // nearest the bar comes to a side

  private:
    static int32_t SplitX(int32_t width, float ratio);

    float m_ratio;
    float m_saved;
    Mode m_mode = Mode::Open;
    bool m_dragging = false;
};

}  // namespace wavelore
