#include "display/pane_layout.h"

#include <algorithm>

namespace wavelore {

namespace {

constexpr int32_t kMargin = 5;

int32_t NotNegative(int32_t value) {
    return std::max<int32_t>(value, 0);
}

}  // namespace

CPaneLayout::CPaneLayout(int32_t perMille) {
    // A hand-edited setting beyond the window would put the bar outside it.
    const int32_t share = std::clamp<int32_t>(perMille, 0, 1000);
    // In float, like every step of the ratio: then a drag that ends where
    // it started writes back the very value that was read (in double,
    // 251 would come back as 250).
    m_ratio = static_cast<float>(share) * 0.001f;
    m_saved = m_ratio;
}

int32_t CPaneLayout::SplitX(int32_t width, float ratio) {
    return static_cast<int32_t>(static_cast<float>(width) * ratio);
}

CPaneLayout::Geometry CPaneLayout::Layout(int32_t width, int32_t height) const {
    return Layout(width, height, (height / 10) * 2);
}

CPaneLayout::Geometry CPaneLayout::Layout(int32_t width, int32_t height, int32_t d) const {
    const int32_t c = SplitX(width, m_ratio);
    const bool closed = m_mode == Mode::Closed;
    const int32_t paneTop = d + 10;
    const int32_t paneHeight = NotNegative(height - (d + 15));

    Geometry g;
    g.rawButton = {kMargin, d - 5};
    g.messagesButton = {85, d - 5};
    g.afterButtons = {175, d - 5};
    g.textPane = {kMargin, paneTop, NotNegative(closed ? width - 10 : c - 10), paneHeight};
    g.explorer = {c + kMargin, paneTop, closed ? 0 : NotNegative(width - c - 10), paneHeight};
    g.splitter = {c - kMargin, paneTop, 2 * kMargin, NotNegative(height - kMargin - paneTop)};
    return g;
}

bool CPaneLayout::SizingCursorAt(int32_t x, int32_t y, const Geometry& g) const {
    return m_mode == Mode::Open && g.splitter.Contains(x, y);
}

bool CPaneLayout::Press(int32_t x, int32_t y, const Geometry& g) {
    // Only where the sizing cursor shows: a drag on a sliding or closed
    // pane would store a share the user never saw.
    if (m_dragging || !SizingCursorAt(x, y, g)) {
        return false;
    }
    m_dragging = true;
    return true;
}

bool CPaneLayout::Drag(int32_t x, int32_t width) {
    if (!m_dragging || width <= 0) {
        return false;
    }
    x = std::min(std::max(x, kEdge), width - kEdge);
    const float ratio = static_cast<float>(x) / static_cast<float>(width);
    if (ratio == m_ratio) {
        return false;
    }
    m_ratio = ratio;
    return true;
}

std::optional<int32_t> CPaneLayout::Release() {
    if (!m_dragging) {
        return std::nullopt;
    }
    m_dragging = false;
    return static_cast<int32_t>(m_ratio * 1000.0f);
}

bool CPaneLayout::Close() {
    switch (m_mode) {
        case Mode::Open:
            m_dragging = false;
            m_saved = m_ratio;
            m_mode = Mode::Closing;
            return true;
        case Mode::Closing:
        case Mode::Opening:
            m_ratio = 1.0f;
            m_mode = Mode::Closed;
            return false;
        case Mode::Closed:
            return false;
    }
    return false;
}

bool CPaneLayout::Open() {
    switch (m_mode) {
        case Mode::Closed:
            m_mode = Mode::Opening;
            return true;
        case Mode::Closing:
        case Mode::Opening:
            m_ratio = m_saved;
            m_mode = Mode::Open;
            return false;
        case Mode::Open:
            return false;
    }
    return false;
}

bool CPaneLayout::Tick() {
    if (m_mode == Mode::Closing) {
        m_ratio = m_ratio + (1.0f - m_ratio) * 0.1f + 0.001f;
        if (m_ratio >= 1.0f) {
            m_ratio = 1.0f;
            m_mode = Mode::Closed;
            return false;
        }
        return true;
    }
    if (m_mode == Mode::Opening) {
        m_ratio = m_ratio - ((m_ratio - m_saved) * 0.1f + 0.001f);
        if (m_ratio < m_saved) {
            m_ratio = m_saved;
            m_mode = Mode::Open;
            return false;
        }
        return true;
    }
    return false;
}

}  // namespace wavelore
