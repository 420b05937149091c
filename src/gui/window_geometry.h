#pragma once

#include <QSize>

class QWidget;

namespace wavelore {

class CSettings;

// The window's size and place from one run to the next ("WindowGeometry"):
// restored as the window system saved them, unless the window would then
// lie off every screen there is now (a monitor unplugged since), where the
// window takes defaultSize at the window system's choice of place.
void RestoreWindowGeometry(QWidget& window, const CSettings& settings, QSize defaultSize);
void SaveWindowGeometry(const QWidget& window, CSettings& settings);

}  // namespace wavelore
