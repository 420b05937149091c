#pragma once

#include <QWidget>

class QColor;
class QPainter;
class QPen;
class QPolygon;

namespace wavelore {

// Base of the spectrum strip and the signal panel: a widget that paints
// every pixel of its area itself, on black, with aliased 1-pixel lines so
// that each line lands on its exact column or row.
class CDisplayWnd : public QWidget {
    Q_OBJECT

  public:
    explicit CDisplayWnd(QWidget* parent = nullptr);

  protected:
    // Draws the content over the black background.
    virtual void Paint(QPainter& painter, int width, int height) = 0;
    // Repaints at once rather than at the next pass of the event loop, so
    // the display keeps step with the blocks that change it.
    void RedrawNow();
    static QPen LinePen(const QColor& colour);
    // A 1-pixel polyline that is sure to cover each of its points: the
    // rasteriser alone may leave out the tip of a sharp peak.
    static void DrawTrace(QPainter& painter, const QColor& colour, const QPolygon& points);

    void paintEvent(QPaintEvent* event) override;
};

}  // namespace wavelore
