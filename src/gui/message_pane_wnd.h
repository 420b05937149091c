#pragma once

#include <cstdint>

#include <QTimer>
#include <QWidget>

#include "display/pane_layout.h"

namespace wavelore {

// The lower part of the main window: the "Raw data" and "Messages" buttons
// and the control after them, the text views on the left, the Message
// Explorer on the right and the splitter bar between them, placed by
// CPaneLayout. The bar is dragged with the mouse; the explorer slides shut
// and open in 40 ms steps.
class CMessagePaneWnd final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kSlideStepMs = 40;

    explicit CMessagePaneWnd(QWidget* parent = nullptr);

    // The controls placed here, children of this widget. The buttons and
    // the control after them keep their sizes; the text pane is the shown
    // view (or a stack of the views).
    void SetButtons(QWidget* raw, QWidget* messages, QWidget* after);
    void SetTextPane(QWidget* textPane);
    void SetExplorer(QWidget* explorer);
    // The "PaneSplit" setting: the text views' share of the width in per
    // mille.
    void SetPaneSplit(int32_t perMille);

    // Slides the explorer open or shut; a request during a slide finishes it
    // at once.
    void ShowExplorer(bool shown);

    const CPaneLayout& Pane() const { return m_pane; }
    const CPaneLayout::Geometry& Geometry() const { return m_geometry; }

  signals:
    // The end of a drag of the bar, even one that ended where it began:
    // the share to store as "PaneSplit".
    void paneSplitDragged(int32_t perMille);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void Relayout();
    void OnSlideStep();

    CPaneLayout m_pane{500};
    CPaneLayout::Geometry m_geometry;
    QTimer m_slide;
    QPoint m_lastMove{-1, -1};
    QWidget* m_buttons[3] = {};
    QWidget* m_textPane = nullptr;
    QWidget* m_explorer = nullptr;
};

}  // namespace wavelore
