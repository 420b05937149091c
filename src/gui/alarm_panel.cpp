#include "gui/alarm_panel.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "app/message_bridge.h"
#include "app/settings.h"
#include "app/station_table.h"
#include "audio/alarm_player.h"
#include "gui/system_tray.h"

namespace wavelore {

CAlarmPanel::CAlarmPanel(QWidget* window, CSettings& settings, const CMessageBridge& bridge,
                         CSystemTray& tray, IAlarmSound* sound, IUserNotifier* notifier)
    : QObject(window),
      m_window(window),
      m_settings(settings),
      m_bridge(bridge),
      m_tray(tray),
      m_ownSound(sound ? nullptr : std::make_unique<CPortAudioAlarm>()),
      m_alarm(sound ? *sound : *m_ownSound, *this, notifier) {
    m_alarm.SetEnabled(m_settings.SarAlarm());
    m_soundEnds.setSingleShot(true);
    connect(&m_soundEnds, &QTimer::timeout, this, &CAlarmPanel::Silence);
    connect(&m_tray, &CSystemTray::NotificationClicked, this, &CAlarmPanel::Silence);
}

CAlarmPanel::~CAlarmPanel() {
    m_alarm.Silence();
}

void CAlarmPanel::AddTo(QMenu* menu) {
    QAction* sar = menu->addAction(tr("SAR alarm"));
    sar->setCheckable(true);
    sar->setChecked(m_settings.SarAlarm());
    sar->setToolTip(tr("Sound an alarm for each new search and rescue message"));
    connect(sar, &QAction::triggered, this, [this](bool on) {
        m_settings.WriteSarAlarm(on);
        m_alarm.SetEnabled(on);
        Silence();
    });
    m_silence = menu->addAction(tr("Silence alarm"), this, &CAlarmPanel::Silence);
    m_silence->setEnabled(false);
}

void CAlarmPanel::Silence() {
    m_alarm.Silence();
    m_soundEnds.stop();
    if (m_silence) {
        m_silence->setEnabled(false);
    }
    // The icon came for the notification: it goes unless the window is
    // in the notification area.
    if (m_window->isVisible() && !m_window->isMinimized()) {
        m_tray.HideIcon();
    }
}

void CAlarmPanel::ShowAlarm(const MessageRecord& record) {
    // Forward from the notification area or from under other windows.
    if (m_window->isHidden() || m_window->isMinimized()) {
        m_window->showNormal();
    }
    m_window->raise();
    m_window->activateWindow();
    const QString identity = QString::fromStdU16String(record.b1 + record.b2 + record.number);
    const QString station = QString::fromStdU16String(CStationTable::DisplayName(
        CStationTable::NamingNavArea(m_bridge.NavArea(), record.mode), record.b1));
    m_tray.Notify(tr("Search and rescue message"),
                  tr("%1 from %2, received %3 %4")
                      .arg(identity, station, QString::fromStdU16String(record.date),
                           QString::fromStdU16String(record.time)));
    if (m_alarm.Sounding()) {
        m_silence->setEnabled(true);
        m_soundEnds.start(std::chrono::milliseconds(CSarAlarm::kSoundFor));
    }
}

}  // namespace wavelore
