#pragma once

#include <memory>

#include <QObject>
#include <QTimer>

#include "app/sar_alarm.h"

class QAction;
class QMenu;
class QWidget;

namespace wavelore {

class CMessageBridge;
class CSettings;
class CSystemTray;
class IAlarmSound;
class IUserNotifier;

// The search-and-rescue alarm in the window: the "SAR alarm" switch and
// "Silence alarm" in the Options menu, and at an alarm a notification and
// the window brought forward. The decision is the reception's (the bridge
// raises CSarAlarm); the tone ends by itself after CSarAlarm::kSoundFor,
// when "Silence alarm" goes grey again.
class CAlarmPanel final : public QObject, private IAlarmView {
    Q_OBJECT

  public:
    // sound: null sounds the default output device. notifier hears that the
    // tone cannot sound.
    CAlarmPanel(QWidget* window, CSettings& settings, const CMessageBridge& bridge,
                CSystemTray& tray, IAlarmSound* sound, IUserNotifier* notifier);
    ~CAlarmPanel() override;

    CSarAlarm& Model() { return m_alarm; }
    const CSarAlarm& Model() const { return m_alarm; }
    void AddTo(QMenu* menu);
    void Silence();

  private:
    void ShowAlarm(const MessageRecord& record) override;

    QWidget* m_window;
    CSettings& m_settings;
    const CMessageBridge& m_bridge;
    CSystemTray& m_tray;
    std::unique_ptr<IAlarmSound> m_ownSound;
    CSarAlarm m_alarm;
    QAction* m_silence = nullptr;  // "Silence alarm", while it sounds
    QTimer m_soundEnds;            // the tone's own end
};

}  // namespace wavelore
