#include "gui/controls_panel.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>

#include "app/decoding_control.h"
#include "app/mode_controller.h"

namespace wavelore {

namespace {

QString LoadText(int32_t percent) {
    return QStringLiteral("%1: %2%").arg(CControlsPanel::tr("CPU load")).arg(percent);
}

}  // namespace

CControlsPanel::CControlsPanel(CDecodingControl& decoding, CModeController& modes,
                               std::function<void()> changed, QWidget* parent)
    : QWidget(parent), m_decoding(decoding) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    m_afc = new QCheckBox(tr("AFC"), this);
    m_strictFec = new QCheckBox(tr("Strict FEC"), this);
    m_invert = new QCheckBox(tr("Invert"), this);
    m_smartTune = new QCheckBox(tr("SmartTune"), this);
    m_navtexJ = new QCheckBox(tr("NAVTEX-J"), this);
    m_cpuLoad = new QLabel(LoadText(0), this);
    // As wide as the widest figure, so the boxes and the signal panel stay
    // where they are.
    m_cpuLoad->setMinimumWidth(QFontMetrics(m_cpuLoad->font()).horizontalAdvance(LoadText(100)));
    m_soundLost = new QLabel(this);
    m_soundLost->setToolTip(
        tr("Sound that never reached the decoder because the computer fell behind"));
    m_soundLost->hide();
    m_notStored = new QLabel(this);
    m_notStored->setToolTip(
        tr("Messages that could not be written to disk (full or unwritable): those waiting are "
           "kept in memory and stored as soon as there is room"));
    m_notStored->setStyleSheet(QStringLiteral("color: red"));
    m_notStored->hide();
    m_statusLine = new QLabel(this);
    m_statusLine->hide();
    grid->addWidget(m_afc, 0, 0);
    grid->addWidget(m_smartTune, 0, 1);
    grid->addWidget(m_strictFec, 1, 0);
    grid->addWidget(m_invert, 1, 1);
    grid->addWidget(m_navtexJ, 2, 0);
    grid->addWidget(m_cpuLoad, 2, 1);
    grid->addWidget(m_notStored, 3, 0);
    grid->addWidget(m_soundLost, 3, 1);
    grid->addWidget(m_statusLine, 4, 0, 1, 2);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    // Both boxes show the one search they switch.
    for (QCheckBox* autoTune : {m_afc, m_smartTune}) {
        connect(autoTune, &QCheckBox::clicked, this, [this](bool on) {
            m_decoding.SetAutoTune(on);
            ShowSwitches();
        });
    }
    connect(m_strictFec, &QCheckBox::clicked, this,
            [this](bool on) { m_decoding.SetStrictFec(on); });
    connect(m_invert, &QCheckBox::clicked, this, [this](bool on) { m_decoding.SetBitSense(on); });
    connect(m_navtexJ, &QCheckBox::clicked, this, [&modes, changed](bool on) {
        modes.OnNavtexJCheckBox(on);
        changed();
    });
}

void CControlsPanel::ShowSwitches() {
    const ReceiverConfig& config = m_decoding.Config();
    m_strictFec->setChecked(config.strictFec);
    m_invert->setChecked(config.invert);
    m_smartTune->setChecked(config.AutoTune());
    m_afc->setChecked(config.AutoTune());
}

void CControlsPanel::SetNavtexJChecked(bool checked) {
    m_navtexJ->setChecked(checked);
}

void CControlsPanel::EnableAfc(bool enabled) {
    m_afc->setEnabled(enabled);
}

void CControlsPanel::EnableStrictFec(bool enabled) {
    m_strictFec->setEnabled(enabled);
}

void CControlsPanel::ShowLoad(int32_t percent, uint64_t tenthsLost) {
    if (percent >= 0) {
        m_cpuLoad->setText(LoadText(percent));
    }
    // Shown once there is something to show.
    if (tenthsLost > 0) {
        m_soundLost->setText(
            tr("Lost: %1 s").arg(static_cast<double>(tenthsLost) / 10.0, 0, 'f', 1));
        m_soundLost->show();
    }
}

void CControlsPanel::ShowStorage(size_t waiting, size_t lost) {
    QStringList parts;
    // In memory, or the one left in incoming.txt.
    if (waiting > 0) {
        parts << tr("Waiting to be stored: %1").arg(waiting);
    }
    if (lost > 0) {
        parts << tr("Not stored: %1").arg(lost);
    }
    m_notStored->setText(parts.join(QStringLiteral(", ")));
    m_notStored->setVisible(!parts.isEmpty());
}

void CControlsPanel::HideStatusLine() {
    m_statusLine->hide();
    m_statusLine->clear();
}

}  // namespace wavelore
