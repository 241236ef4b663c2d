#include "window_icon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace {

const QColor kTableHead(0x1f, 0x4e, 0x9a);   // blue header row of the database table
const QColor kSheetGreen(0x21, 0x73, 0x46);  // the worksheet
const QColor kGrid(0x80, 0x80, 0x80);

// Drawn on a 48-unit grid and scaled, so both sizes show the same picture.
QPixmap draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const qreal u = size / 48.0;
    auto r = [u](qreal x, qreal y, qreal w, qreal h) { return QRectF(x * u, y * u, w * u, h * u); };

    // The database table, top left: header row and three rows of two columns.
    p.fillRect(r(2, 4, 26, 24), Qt::white);
    p.fillRect(r(2, 4, 26, 7), kTableHead);
    p.setPen(QPen(kGrid, std::max<qreal>(1.0, u)));
    p.drawRect(r(2, 4, 26, 24));
    if (size >= 32) {
        p.drawLine(QPointF(15 * u, 11 * u), QPointF(15 * u, 28 * u));
        for (int y : {17, 22}) p.drawLine(QPointF(2 * u, y * u), QPointF(28 * u, y * u));
    }

    // The worksheet, bottom right: green sheet with white cell lines.
    p.fillRect(r(20, 20, 26, 26), kSheetGreen);
    p.setPen(QPen(Qt::white, std::max<qreal>(1.0, u)));
    for (int x : {28, 37}) p.drawLine(QPointF(x * u, 22 * u), QPointF(x * u, 44 * u));
    for (int y : {28, 36}) p.drawLine(QPointF(22 * u, y * u), QPointF(44 * u, y * u));
    p.end();
    // 256 colours: the few colours above as an exact palette, so nothing is dithered.
    const QList<QRgb> palette = {qRgba(0, 0, 0, 0), qRgb(255, 255, 255), kTableHead.rgb(),
                                 kSheetGreen.rgb(), kGrid.rgb()};
    return QPixmap::fromImage(image.convertToFormat(
        QImage::Format_Indexed8, palette, Qt::ThresholdDither | Qt::ThresholdAlphaDither));
}

}  // namespace

QIcon windowIcon16And48() {
    QIcon icon;
    icon.addPixmap(draw(16));
    icon.addPixmap(draw(48));
    return icon;
}
