// make_icons DIR: writes the window icon's two images as DIR/converti-16.png and
// DIR/converti-48.png, so the desktop entry shows the same picture as the window.
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

#include "window_icon.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) return 2;
    const QIcon icon = windowIcon16And48();
    for (int size : {16, 48}) {
        const QString file = QStringLiteral("%1/converti-%2.png").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!icon.pixmap(size, size).save(file, "PNG")) return 1;
    }
    return 0;
}
