#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QRawFont>
#include <QTimer>
#include <cstdint>
#include <string_view>
#include <vector>

#include "display/text_view_model.h"

class QPainter;

namespace wavelore {

// The text pane of the main window: paints a CTextViewModel in fixed cells,
// black on white with the selection in the selection colours, and forwards
// keys, mouse and wheel to it. Switches for good to a Japanese-capable font
// once a character above U+00FF comes into view; its wide characters take
// two cells, the rest one.
class ColorEditWnd : public QAbstractScrollArea {
    Q_OBJECT

  public:
    explicit ColorEditWnd(QWidget* parent = nullptr);

    void SetText(std::u16string_view text);
    void AppendText(std::u16string_view text);
    void SetReadOnly(bool readOnly);
    // The cell background of selected text; the selected text is white.
    void SetSelectionColor(const QColor& color);
    const CTextViewModel& Model() const { return m_model; }

    const QFont& TextFont() const { return m_font; }
    int CellWidth() const { return m_cellWidth; }
    int LineHeight() const { return m_lineHeight; }
    bool WideFont() const { return m_wide; }

  protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Copy();
    // The selection as the X11 primary selection, where the system has one,
    // so that a middle click elsewhere pastes it.
    void ShareSelection();
    void Cut();
    void Paste();
    void UseFont(const QFont& font);
    // The wide font once the lines on screen need it; true when it switched.
    bool CheckWideFont();
    void UpdateViewSize();
    void SyncScrollBars();
    // After anything that may have moved the caret, the view or the text.
    void Refresh();
    TextPosition CellAt(QPointF point) const;
    QRect CaretRect() const;
    void PaintLine(QPainter& painter, int row, int firstCell, int endCell);
    void DrawGlyphs(QPainter& painter, const QChar* text, int count, QPointF origin,
                    const QColor& color);

    CTextViewModel m_model;
    QFont m_font;
    QRawFont m_rawFont;
    bool m_wide = false;
    int m_cellWidth = 8;
    int m_lineHeight = 16;
    int m_ascent = 12;
    QColor m_background{255, 255, 255};
    QColor m_selectionText{255, 255, 255};
    QColor m_selectionBackground{0, 0, 0};
    bool m_selecting = false;
    int m_wheelAngle = 0;
    QTimer m_caretBlink;
    bool m_caretShown = false;
    // Scratch for the glyphs of one run, kept to spare an allocation per line.
    std::vector<quint32> m_glyphs;
    std::vector<QPointF> m_positions;
};

}  // namespace wavelore
