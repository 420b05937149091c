#include "gui/color_edit_wnd.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace wavelore {

namespace {

using Move = CTextViewModel::Move;

// The fonts are asked for by the height of their character cell, ascent
// plus descent, in pixels.
constexpr int kCellHeight = 16;
constexpr int kTextLeft = 5;
constexpr int kCaretLeft = 4;
constexpr int kCaretWidth = 2;
constexpr int kWheelLines = 5;
constexpr int kWheelNotch = 120;

// The largest pixel size whose lines fit the requested cell height.
void FitCellHeight(QFont& font) {
    for (int pixels = kCellHeight; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= kCellHeight) {
            return;
        }
    }
}

QFont NormalFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setWeight(QFont::Normal);
    // Without Courier New the font matcher may offer a proportional face;
    // the cells need a monospaced one (DejaVu Sans Mono on Debian).
    if (!QFontInfo(font).fixedPitch()) {
        font.setFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    }
    FitCellHeight(font);
    return font;
}

QFont JapaneseFont() {
    QFont font(QStringLiteral("IPAGothic"));
    font.setStyleHint(QFont::TypeWriter);
    font.setWeight(QFont::Normal);
    if (!QFontDatabase::writingSystems(QFontInfo(font).family())
             .contains(QFontDatabase::Japanese)) {
        const QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
        if (!families.isEmpty()) {
            font.setFamily(families.first());
        }
    }
    FitCellHeight(font);
    return font;
}

}  // namespace

ColorEditWnd::ColorEditWnd(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    // Every pixel is painted here, so Qt need not clear it first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_caretBlink.setInterval(std::max(0, QApplication::cursorFlashTime() / 2));
    connect(&m_caretBlink, &QTimer::timeout, this, [this] {
        m_caretShown = !m_caretShown;
        viewport()->update(CaretRect());
    });
    UseFont(NormalFont());
}

void ColorEditWnd::SetText(std::u16string_view text) {
    m_model.SetText(text);
    Refresh();
}

void ColorEditWnd::AppendText(std::u16string_view text) {
    const CTextViewModel::AppendResult result = m_model.AppendText(text);
    const bool switched = CheckWideFont();
    SyncScrollBars();
    const int shift = result.scrolledLines;
    if (switched || std::abs(shift) > m_model.VisibleLines()) {
        viewport()->update();
        return;
    }
    // What is still on screen moves with the text; only the lines from the
    // old last line down are painted anew.
    if (shift != 0) {
        viewport()->scroll(0, -shift * m_lineHeight);
    }
    const int row = std::max(0, result.firstChangedLine - m_model.FirstVisibleLine());
    if (row <= m_model.VisibleLines()) {
        const int top = row * m_lineHeight;
        viewport()->update(0, top, viewport()->width(), viewport()->height() - top);
    }
}

void ColorEditWnd::SetReadOnly(bool readOnly) {
    m_model.SetReadOnly(readOnly);
}

void ColorEditWnd::SetSelectionColor(const QColor& color) {
    m_selectionBackground = color;
    viewport()->update();
}

bool ColorEditWnd::event(QEvent* event) {
    // The edit keys belong to the view, not to shortcuts of the window.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
        switch (key->key()) {
            case Qt::Key_C:
            case Qt::Key_X:
            case Qt::Key_V:
            case Qt::Key_Z:
            case Qt::Key_A:
                if (ctrl) {
                    event->accept();
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool ColorEditWnd::focusNextPrevChild(bool next) {
    // An editable view types Tab; a read-only one lets it move the focus.
    if (!m_model.ReadOnly()) {
        return false;
    }
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void ColorEditWnd::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, m_background);
    painter.setFont(m_font);
    const int firstRow = std::max(0, area.top() / m_lineHeight);
    const int lastRow = area.bottom() / m_lineHeight;
    const int firstCell = std::max(0, (area.left() - kTextLeft) / m_cellWidth);
    const int endCell = (area.right() - kTextLeft) / m_cellWidth + 1;
    for (int row = firstRow; row <= lastRow; ++row) {
        if (m_model.FirstVisibleLine() + row >= m_model.LineCount()) {
            break;
        }
        PaintLine(painter, row, firstCell, endCell);
    }
    if (m_caretShown && hasFocus()) {
        painter.fillRect(CaretRect(), Qt::black);
    }
}

void ColorEditWnd::PaintLine(QPainter& painter, int row, int firstCell, int endCell) {
    const int line = m_model.FirstVisibleLine() + row;
    const std::u16string& text = m_model.Line(line);
    // Columns are characters and cells are their pitch: a wide character
    // takes two cells.
    const int firstColumn = m_model.FirstVisibleColumn();
    const int begin = m_model.ColumnAtCell(line, firstColumn + firstCell);
    const int end = std::min(static_cast<int>(text.size()),
                             m_model.ColumnAtCell(line, firstColumn + endCell - 1) + 1);
    if (begin >= end) {
        return;
    }
    const auto [selectedFrom, selectedTo] = m_model.SelectedColumns(line);
    const int from = std::clamp(selectedFrom, begin, end);
    const int to = std::clamp(selectedTo, from, end);
    const int y = row * m_lineHeight;
    const auto x = [this, firstColumn, line](int column) {
        return kTextLeft + (m_model.CellOf({column, line}) - firstColumn) * m_cellWidth;
    };
    if (from < to) {
        painter.fillRect(x(from), y, x(to) - x(from), m_lineHeight, m_selectionBackground);
    }
    const auto* chars = reinterpret_cast<const QChar*>(text.data());
    const auto draw = [&](int a, int b, const QColor& color) {
        if (a < b) {
            DrawGlyphs(painter, chars + a, b - a, QPointF(x(a), y + m_ascent), color);
        }
    };
    draw(begin, from, Qt::black);
    draw(from, to, m_selectionText);
    draw(to, end, Qt::black);
}

void ColorEditWnd::DrawGlyphs(QPainter& painter, const QChar* text, int count, QPointF origin,
                              const QColor& color) {
    painter.setPen(color);
    m_glyphs.resize(static_cast<size_t>(count));
    m_positions.resize(static_cast<size_t>(count));
    int glyphCount = count;
    const bool mapped = m_rawFont.isValid() &&
                        m_rawFont.glyphIndexesForChars(text, count, m_glyphs.data(), &glyphCount) &&
                        glyphCount == count;
    // One glyph run per stretch, each glyph at the left of its own cell or
    // cells; characters the font lacks go through the font fallback one by
    // one.
    int kept = 0;
    int cells = 0;
    for (int i = 0; i < count; ++i) {
        const QPointF at(origin.x() + cells * m_cellWidth, origin.y());
        cells += CTextViewModel::CharacterCells(text[i].unicode());
        if (mapped && m_glyphs[static_cast<size_t>(i)] != 0) {
            m_glyphs[static_cast<size_t>(kept)] = m_glyphs[static_cast<size_t>(i)];
            m_positions[static_cast<size_t>(kept)] = at;
            ++kept;
        } else {
            painter.drawText(at, QString(text[i]));
        }
    }
    if (kept > 0) {
        QGlyphRun run;
        run.setRawFont(m_rawFont);
        run.setRawData(m_glyphs.data(), m_positions.data(), kept);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
}

void ColorEditWnd::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateViewSize();
    CheckWideFont();
}

void ColorEditWnd::scrollContentsBy(int /*dx*/, int /*dy*/) {
    m_model.ScrollToLine(verticalScrollBar()->value());
    m_model.ScrollToColumn(horizontalScrollBar()->value());
    CheckWideFont();
    viewport()->update();
}

void ColorEditWnd::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const auto move = [this, shift](Move to) {
        m_model.MoveCaret(to, shift);
        Refresh();
        if (shift) {
            ShareSelection();
        }
    };
    const auto edited = [this](bool changed) {
        if (changed) {
            Refresh();
        }
    };
    switch (event->key()) {
        case Qt::Key_Left:
            return move(ctrl ? Move::WordLeft : Move::Left);
        case Qt::Key_Right:
            return move(ctrl ? Move::WordRight : Move::Right);
        case Qt::Key_Up:
            return move(Move::Up);
        case Qt::Key_Down:
            return move(Move::Down);
        case Qt::Key_Home:
            return move(ctrl ? Move::TextStart : Move::Home);
        case Qt::Key_End:
            return move(ctrl ? Move::TextEnd : Move::End);
        case Qt::Key_PageUp:
            return move(Move::PageUp);
        case Qt::Key_PageDown:
            return move(Move::PageDown);
        case Qt::Key_Backspace:
            return edited(m_model.Backspace());
        case Qt::Key_Delete:
            return edited(m_model.Delete());
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return edited(m_model.InsertText(u"\n"));
        case Qt::Key_Escape:
            event->ignore();
            return;
        default:
            break;
    }
    if (ctrl && !modifiers.testFlag(Qt::AltModifier)) {
        switch (event->key()) {
            case Qt::Key_C:
                return Copy();
            case Qt::Key_X:
                return Cut();
            case Qt::Key_V:
                return Paste();
            case Qt::Key_Z:
                return edited(m_model.Undo());
            case Qt::Key_A:  // redo, as this view has always had it
                return edited(m_model.Redo());
            default:
                event->ignore();
                return;
        }
    }
    const QString text = event->text();
    if (text.isEmpty()) {
        event->ignore();
        return;
    }
    edited(m_model.InsertText(text.toStdU16String()));
}

void ColorEditWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    // Qt holds the mouse for this widget until the button is released, so
    // a drag beyond the edges keeps selecting (and scrolling).
    m_model.SetCaret(CellAt(event->position()), event->modifiers().testFlag(Qt::ShiftModifier));
    m_selecting = true;
    Refresh();
}

void ColorEditWnd::mouseMoveEvent(QMouseEvent* event) {
    if (!m_selecting || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    m_model.SetCaret(CellAt(event->position()), true);
    Refresh();
}

void ColorEditWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_selecting) {
        m_selecting = false;
        ShareSelection();
    }
}

void ColorEditWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_selecting = false;
    m_model.SelectWordAt(CellAt(event->position()));
    Refresh();
    ShareSelection();
}

void ColorEditWnd::wheelEvent(QWheelEvent* event) {
    // Fine-grained wheels send parts of a notch; five lines per whole one.
    m_wheelAngle += event->angleDelta().y();
    const int notches = m_wheelAngle / kWheelNotch;
    m_wheelAngle -= notches * kWheelNotch;
    if (notches != 0) {
        m_model.ScrollToLine(m_model.FirstVisibleLine() - notches * kWheelLines);
        CheckWideFont();
        SyncScrollBars();
        viewport()->update();
    }
    event->accept();
}

void ColorEditWnd::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(tr("&Copy"));
    copy->setEnabled(m_model.HasSelection());
    menu.addSeparator();
    QAction* selectAll = menu.addAction(tr("Select &All"));
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == copy) {
        Copy();
    } else if (chosen == selectAll) {
        m_model.SelectAll();
        Refresh();
        ShareSelection();
    }
}

void ColorEditWnd::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    m_caretShown = true;
    if (m_caretBlink.interval() > 0) {
        m_caretBlink.start();
    }
    viewport()->update(CaretRect());
}

void ColorEditWnd::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_caretBlink.stop();
    m_caretShown = false;
    m_selecting = false;
    viewport()->update(CaretRect());
}

void ColorEditWnd::Copy() {
    if (m_model.HasSelection()) {
        QApplication::clipboard()->setText(QString::fromStdU16String(m_model.SelectedText()));
    }
}

void ColorEditWnd::ShareSelection() {
    QClipboard* clipboard = QApplication::clipboard();
    if (clipboard->supportsSelection() && m_model.HasSelection()) {
        clipboard->setText(QString::fromStdU16String(m_model.SelectedText()),
                           QClipboard::Selection);
    }
}

void ColorEditWnd::Cut() {
    std::u16string text;
    if (m_model.Cut(text)) {
        QApplication::clipboard()->setText(QString::fromStdU16String(text));
        Refresh();
    }
}

void ColorEditWnd::Paste() {
    if (m_model.ReadOnly()) {
        return;
    }
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty() && m_model.InsertText(text.toStdU16String())) {
        Refresh();
    }
}

void ColorEditWnd::UseFont(const QFont& font) {
    m_font = font;
    const QFontMetrics metrics(font);
    m_lineHeight = std::max(1, metrics.height());
    m_ascent = metrics.ascent();
    // The narrow pitch; a Japanese font's kana are two of them wide.
    m_cellWidth = std::max(1, metrics.averageCharWidth());
    if (m_wide) {
        // A Japanese font's average is pulled up by its kanji.
        m_cellWidth = std::max({1, metrics.horizontalAdvance(QLatin1Char('0')),
                                (metrics.horizontalAdvance(QChar(0x3042)) + 1) / 2});
    }
    m_rawFont = QRawFont::fromFont(font);
    UpdateViewSize();
}

bool ColorEditWnd::CheckWideFont() {
    if (m_wide || !m_model.VisibleLinesHoldWideCharacter()) {
        return false;
    }
    m_wide = true;
    UseFont(JapaneseFont());
    viewport()->update();
    return true;
}

void ColorEditWnd::UpdateViewSize() {
    const QSize size = viewport()->size();
    m_model.SetViewSize(size.height() / m_lineHeight, size.width() / m_cellWidth - 1);
    SyncScrollBars();
}

void ColorEditWnd::SyncScrollBars() {
    QScrollBar* vertical = verticalScrollBar();
    const QSignalBlocker blockVertical(vertical);
    vertical->setRange(0, m_model.MaxFirstVisibleLine());
    vertical->setPageStep(m_model.VisibleLines());
    vertical->setValue(m_model.FirstVisibleLine());
    QScrollBar* horizontal = horizontalScrollBar();
    const QSignalBlocker blockHorizontal(horizontal);
    horizontal->setRange(0, m_model.MaxFirstVisibleColumn());
    horizontal->setPageStep(m_model.VisibleColumns());
    horizontal->setValue(m_model.FirstVisibleColumn());
}

void ColorEditWnd::Refresh() {
    CheckWideFont();
    SyncScrollBars();
    // A moved caret shows at once and starts its blink again.
    m_caretShown = hasFocus();
    if (m_caretShown && m_caretBlink.interval() > 0) {
        m_caretBlink.start();
    }
    viewport()->update();
}

TextPosition ColorEditWnd::CellAt(QPointF point) const {
    const int row = static_cast<int>(std::floor(point.y() / m_lineHeight));
    const int cell = static_cast<int>(std::floor((point.x() - kTextLeft) / m_cellWidth));
    return m_model.PositionAtCell(row, cell);
}

QRect ColorEditWnd::CaretRect() const {
    const TextPosition caret = m_model.Caret();
    return QRect(kCaretLeft + (m_model.CellOf(caret) - m_model.FirstVisibleColumn()) * m_cellWidth,
                 (caret.line - m_model.FirstVisibleLine()) * m_lineHeight, kCaretWidth,
                 m_lineHeight);
}

}  // namespace wavelore
