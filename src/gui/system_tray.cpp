#include "gui/system_tray.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>

namespace wavelore {

CSystemTray::CSystemTray(QWidget* window, const QIcon& icon, const QString& tip, bool available)
    : QObject(window), m_window(window), m_enabled(available) {
    // A menu without a parent widget: it pops up from the notification area.
    m_menu = new QMenu();
    m_restore = m_menu->addAction(tr("Restore"), this, &CSystemTray::Restore);
    m_exit = m_menu->addAction(tr("Exit"), this, [this] {
        if (m_window) {
            m_window->close();
        }
    });
    m_menu->setDefaultAction(m_restore);

    m_icon.setIcon(icon);
    m_icon.setToolTip(tip);
    m_icon.setContextMenu(m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, &CSystemTray::Activate);
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this, &CSystemTray::NotificationClicked);
    if (m_window) {
        m_window->installEventFilter(this);
    }
}

CSystemTray::~CSystemTray() {
    m_icon.hide();
    delete m_menu;
}

void CSystemTray::ShowIcon() {
    if (m_enabled && m_hidden) {
        m_icon.show();
        m_hidden = false;
    }
}

void CSystemTray::HideIcon() {
    if (m_enabled && !m_hidden) {
        m_icon.hide();
        m_hidden = true;
    }
}

void CSystemTray::Restore() {
    if (m_window) {
        m_window->showNormal();
        m_window->raise();
        m_window->activateWindow();
    }
    HideIcon();
}

void CSystemTray::Activate(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) {
        m_menu->defaultAction()->trigger();
    }
}

bool CSystemTray::Notify(const QString& title, const QString& text) {
    if (!m_enabled) {
        return false;
    }
    ShowIcon();
    m_icon.showMessage(title, text, QSystemTrayIcon::Warning);
    return true;
}

bool CSystemTray::eventFilter(QObject* watched, QEvent* event) {
    if (m_enabled && watched == m_window && event->type() == QEvent::WindowStateChange &&
        m_window->isMinimized()) {
        ShowIcon();
        // Hidden once the state change is through, so the desktop does not
        // keep a taskbar entry for it.
        QTimer::singleShot(0, m_window, [window = m_window] {
            if (window && window->isMinimized()) {
                window->hide();
            }
        });
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace wavelore
