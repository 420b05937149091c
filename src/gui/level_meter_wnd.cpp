#include "gui/level_meter_wnd.h"

#include <QPainter>
#include <cmath>

namespace wavelore {

namespace {

const QColor kGood(0, 200, 0);
const QColor kLoud(230, 200, 0);
const QColor kClip(230, 0, 0);
const QColor kLockOff(90, 90, 90);
// Above this the bar turns yellow: little headroom left.
constexpr double kLoudDb = -6.0;

}  // namespace

CLevelMeterWnd::CLevelMeterWnd(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize CLevelMeterWnd::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("0")) * 48, metrics.height() + 4};
}

void CLevelMeterWnd::AddBlock(const SampleBlock& block) {
    m_meter.Process(block);
    update();
}

void CLevelMeterWnd::SetChainState(std::optional<CLevelMeter::ChainState> state) {
    m_meter.SetChainState(state);
    update();
}

void CLevelMeterWnd::Reset() {
    m_meter.Reset();
    update();
}

void CLevelMeterWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int h = height();
    // The texts keep their widths whatever they say, so the bar never jumps
    // while a chain runs; the chain's figures show only while it does.
    const QString clip = tr("Clip");
    const QString snr = m_meter.SignalToNoiseDb()
                            ? tr("SNR %1 dB").arg(std::lround(*m_meter.SignalToNoiseDb()))
                            : tr("SNR --");
    const QString locked = tr("Locked");
    const bool chain = m_meter.HasChainState();
    const int clipWidth = metrics.horizontalAdvance(clip) + 8;
    const int snrWidth = chain ? metrics.horizontalAdvance(tr("SNR %1 dB").arg(-88)) + 8 : 0;
    const int lockWidth = chain ? metrics.horizontalAdvance(locked) + 8 : 0;
    const int barWidth = std::max(0, width() - clipWidth - snrWidth - lockWidth);

    painter.fillRect(0, 0, barWidth, h, Qt::black);
    const int loudX = static_cast<int>(CLevelMeter::Fraction(kLoudDb) * barWidth);
    const int peakX = static_cast<int>(CLevelMeter::Fraction(m_meter.PeakDb()) * barWidth);
    painter.fillRect(0, 2, std::min(peakX, loudX), h - 4, kGood);
    if (peakX > loudX) {
        painter.fillRect(loudX, 2, peakX - loudX, h - 4, kLoud);
    }
    const int heldX = static_cast<int>(CLevelMeter::Fraction(m_meter.HeldPeakDb()) * barWidth);
    painter.fillRect(std::max(0, heldX - 2), 0, 2, h, m_meter.Clipping() ? kClip : Qt::white);

    QRect box(barWidth, 0, clipWidth, h);
    if (m_meter.Clipping()) {
        painter.fillRect(box.adjusted(2, 0, -2, 0), kClip);
        painter.setPen(Qt::white);
    } else {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
    }
    painter.drawText(box, Qt::AlignCenter, clip);
    if (!chain) {
        return;
    }

    box = QRect(barWidth + clipWidth, 0, snrWidth, h);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(box, Qt::AlignCenter, snr);

    box = QRect(barWidth + clipWidth + snrWidth, 0, lockWidth, h);
    painter.fillRect(box.adjusted(2, 0, -2, 0), m_meter.Locked() ? kGood : kLockOff);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, locked);
}

}  // namespace wavelore
