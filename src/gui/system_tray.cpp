#include "gui/system_tray.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>

namespace wavelore {

namespace {

constexpr int kHostCheckMs = 2000;

}  // namespace

CSystemTray::CSystemTray(QWidget* window, const QIcon& icon, const QString& tip, bool available)
    : CSystemTray(window, icon, tip, [available] { return available; }) {}

CSystemTray::CSystemTray(QWidget* window, const QIcon& icon, const QString& tip,
                         std::function<bool()> available)
    : QObject(window), m_window(window), m_available(std::move(available)) {
    // A menu without a parent widget: it pops up from the notification area.
    m_menu = new QMenu();
    m_restore = m_menu->addAction(tr("Restore"), this, &CSystemTray::Restore);
    m_exit = m_menu->addAction(tr("Exit"), this, [this] {
        HideIcon();
        if (m_window) {
            m_window->close();
        }
        // A hidden window's close is not the last window closing.
        QCoreApplication::quit();
    });
    m_menu->setDefaultAction(m_restore);

    m_icon.setIcon(icon);
    m_icon.setToolTip(tip);
    // Not the icon's context menu: some hosts then take a right-click for
    // an activation of their own, which restored the window at once.
    connect(&m_icon, &QSystemTrayIcon::activated, this, &CSystemTray::Activate);
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this, &CSystemTray::NotificationClicked);
    if (m_window) {
        m_window->installEventFilter(this);
    }
    m_hostWatch = new QTimer(this);
    m_hostWatch->setInterval(kHostCheckMs);
    connect(m_hostWatch, &QTimer::timeout, this, &CSystemTray::CheckHost);
}

CSystemTray::~CSystemTray() {
    m_icon.hide();
    delete m_menu;
}

void CSystemTray::ShowIcon() {
    if (m_hidden && m_available()) {
        m_icon.show();
        m_hidden = false;
    }
}

void CSystemTray::HideIcon() {
    m_hostWatch->stop();
    if (!m_hidden) {
        m_icon.hide();
        m_hidden = true;
    }
}

void CSystemTray::CheckHost() {
    if (m_available()) {
        return;
    }
    HideIcon();
    if (m_window && m_window->isHidden()) {
        m_window->showMinimized();
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
    } else if (reason == QSystemTrayIcon::Context) {
        m_menu->popup(QCursor::pos());
    }
}

bool CSystemTray::Notify(const QString& title, const QString& text) {
    if (!m_available()) {
        return false;
    }
    ShowIcon();
    m_icon.showMessage(title, text, QSystemTrayIcon::Warning);
    return true;
}

bool CSystemTray::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::WindowStateChange &&
        m_window->isMinimized() && m_available()) {
        ShowIcon();
        m_hostWatch->start();
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
