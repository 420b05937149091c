#pragma once

#include <functional>

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class QAction;
class QMenu;
class QTimer;

namespace wavelore {

// The main window's icon in the desktop's notification area. Minimising
// the window hides it and shows the icon; "Restore" (the default item,
// shown in bold) or a double-click brings the window back and removes the
// icon; a right-click always opens the menu; "Exit" closes the window and
// ends the program. Whether the desktop has a notification area is asked
// at every minimise, so a host started later is used; where there is none,
// minimising stays an ordinary minimise (hiding the window there would
// leave no way to bring it back), and a host that goes away while the
// window is in it gives the window back minimised.
class CSystemTray final : public QObject {
    Q_OBJECT

  public:
    // window: the main window, watched for minimising. available: whether
    // the desktop has a notification area
    // (QSystemTrayIcon::isSystemTrayAvailable()).
    CSystemTray(QWidget* window, const QIcon& icon, const QString& tip, bool available);
    // available: asked whenever it matters.
    CSystemTray(QWidget* window, const QIcon& icon, const QString& tip,
                std::function<bool()> available);
    ~CSystemTray() override;

    // The icon can be shown.
    bool Enabled() const { return m_available(); }
    // The icon is not in the notification area.
    bool Hidden() const { return m_hidden; }
    QMenu* Menu() const { return m_menu; }
    QAction* RestoreAction() const { return m_restore; }
    QAction* ExitAction() const { return m_exit; }
    QString ToolTip() const { return m_icon.toolTip(); }

    void ShowIcon();
    void HideIcon();
    // "Restore": the window shown normally, the icon removed.
    void Restore();
    // What the icon does when clicked: a double-click runs the default item,
    // a right-click opens the menu.
    void Activate(QSystemTrayIcon::ActivationReason reason);
    // A desktop notification from the icon, which is shown for it; false
    // where there is no notification area.
    bool Notify(const QString& title, const QString& text);

  signals:
    // The user clicked the notification.
    void NotificationClicked();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // While the window is in the notification area: the host is still there.
    void CheckHost();

    QPointer<QWidget> m_window;
    std::function<bool()> m_available;
    QTimer* m_hostWatch = nullptr;
    QSystemTrayIcon m_icon;
    QMenu* m_menu = nullptr;
    QAction* m_restore = nullptr;
    QAction* m_exit = nullptr;
    bool m_hidden = true;
};

}  // namespace wavelore
