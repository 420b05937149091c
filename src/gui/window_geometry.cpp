#include "gui/window_geometry.h"

#include <QByteArray>
#include <QDataStream>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include "app/settings.h"

namespace wavelore {

namespace {

// The frame as saved, from the head of what QWidget::saveGeometry writes
// (a magic number, two version numbers, then the frame geometry).
QRect SavedFrame(const QByteArray& geometry) {
    constexpr quint32 kMagic = 0x1D9D0CB;
    QDataStream stream(geometry);
    stream.setVersion(QDataStream::Qt_4_0);
    quint32 magic = 0;
    quint16 major = 0;
    quint16 minor = 0;
    QRect frame;
    stream >> magic >> major >> minor >> frame;
    return stream.status() == QDataStream::Ok && magic == kMagic ? frame : QRect();
}

bool OnAScreen(const QRect& frame) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void RestoreWindowGeometry(QWidget& window, const CSettings& settings, QSize defaultSize) {
    const QByteArray saved =
        QByteArray::fromBase64(QString::fromStdU16String(settings.WindowGeometry()).toLatin1());
    // Qt would move a lost window onto a screen, but keep a size made for
    // another one.
    if (saved.isEmpty() || !OnAScreen(SavedFrame(saved)) || !window.restoreGeometry(saved)) {
        window.resize(defaultSize);
    }
}

void SaveWindowGeometry(const QWidget& window, CSettings& settings) {
    settings.WriteWindowGeometry(
        QString::fromLatin1(window.saveGeometry().toBase64()).toStdU16String());
}

}  // namespace wavelore
