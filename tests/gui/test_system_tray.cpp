// Minimising to the notification area, and an ordinary minimise where the
// desktop has none (as on the offscreen platform).
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QWidget>

#include "gui/app_icon.h"
#include "gui/system_tray.h"

namespace wavelore {
namespace {

TEST(SystemTray, MinimiseHidesTheWindowAndRestoreOrADoubleClickBringsItBack) {
    QWidget window;
    window.show();
    CSystemTray tray(&window, WindowIcon(), "Tarvolt Wavelore", true);
    EXPECT_EQ(tray.ToolTip(), "Tarvolt Wavelore");
    ASSERT_EQ(tray.Menu()->actions().size(), 2);
    EXPECT_EQ(tray.Menu()->actions()[0]->text(), "Restore");
    EXPECT_EQ(tray.Menu()->actions()[1]->text(), "Exit");
    EXPECT_EQ(tray.Menu()->defaultAction(), tray.RestoreAction());  // drawn bold
    EXPECT_TRUE(tray.Hidden());

    for (const bool doubleClick : {true, false}) {
        window.showMinimized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
        EXPECT_FALSE(tray.Hidden());
        if (doubleClick) {
            tray.Activate(QSystemTrayIcon::DoubleClick);
        } else {
            tray.RestoreAction()->trigger();
        }
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(window.isMinimized());
        EXPECT_TRUE(tray.Hidden());
    }
    tray.ExitAction()->trigger();
    EXPECT_FALSE(window.isVisible());
}

TEST(SystemTray, WithoutANotificationAreaMinimiseKeepsTheWindow) {
    EXPECT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    QWidget window;
    window.show();
    CSystemTray tray(&window, WindowIcon(), "Tarvolt Wavelore",
                     QSystemTrayIcon::isSystemTrayAvailable());
    window.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
    EXPECT_TRUE(tray.Hidden());
    window.showNormal();
    EXPECT_FALSE(window.isMinimized());
}

}  // namespace
}  // namespace wavelore
