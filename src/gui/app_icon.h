#pragma once

#include <QIcon>
#include <QPixmap>

namespace wavelore {

// The program's own pictures, compiled in from res/icons (drawn by
// tools/draw_window_icons.py). Replace them there, and nowhere else.

// The window and notification-area icon, in every size drawn.
QIcon WindowIcon();
// The small picture of the "Tip of the Day" panel.
QPixmap TipBitmap();

}  // namespace wavelore
