#pragma once

#include <cstdint>

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace wavelore {

// A line of text that can be a web link: drawn in its own colour, with a
// hand cursor and opened in the browser on a left click when clickable,
// and blinking on a timer when asked to.
class CLinkStatic final : public QWidget {
    Q_OBJECT

  public:
    // Style flags.
    static constexpr int32_t kClickable = 1 << 0;
    static constexpr int32_t kBlinking = 1 << 1;

    explicit CLinkStatic(QWidget* parent = nullptr);

    // The text shown, and the address a click opens.
    void SetLinkText(const QString& text);
    // Flags (kClickable, kBlinking) and the text colour. Clearing kBlinking
    // shows the text again at the next tick of the blink timer, which then
    // stops.
    void SetLinkStyle(int32_t flags, const QColor& colour);
    // Starts the blink timer; each tick shows the text or nothing in turn
    // while kBlinking is set.
    void SetBlinkTimer(int32_t periodMs);

    const QString& LinkText() const { return m_text; }
    // What is drawn now: the text, or nothing in the hidden blink phase.
    QString ShownText() const { return m_hidden ? QString() : m_text; }
    int32_t Flags() const { return m_flags; }
    bool BlinkTimerActive() const { return m_blinkTimer.isActive(); }
    // One tick of the blink timer (what the timer runs).
    void BlinkTick();

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QString m_text;
    QColor m_colour = Qt::black;
    int32_t m_flags = 0;
    bool m_hidden = false;  // blink phase
    QTimer m_blinkTimer;
};

}  // namespace wavelore
