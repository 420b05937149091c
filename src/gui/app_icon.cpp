#include "gui/app_icon.h"

namespace wavelore {

QIcon WindowIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/wavelore_%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QPixmap TipBitmap() {
    return QPixmap(QStringLiteral(":/icons/tip.png"));
}

}  // namespace wavelore
