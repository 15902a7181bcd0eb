#include "app/window/appicon.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace window {

// A speech bubble on a deep blue tile with a gold question mark: the quiz helper's mark.
QImage appIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    QLinearGradient tile(0, 0, 0, 32);
    tile.setColorAt(0, QColor(40, 90, 200));
    tile.setColorAt(1, QColor(15, 40, 120));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);

    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(5, 5, 22, 17), 5, 5);
    QPainterPath tail;
    tail.moveTo(10, 21);
    tail.lineTo(8, 27);
    tail.lineTo(15, 21);
    tail.closeSubpath();
    p.setBrush(QColor(250, 250, 245));
    p.drawPath(bubble.united(tail));

    QPen mark(QColor(225, 160, 20), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(mark);
    p.setBrush(Qt::NoBrush);
    QPainterPath hook;
    hook.moveTo(12.5, 10.5);
    hook.cubicTo(12.5, 6.5, 19.5, 6.5, 19.5, 10.5);
    hook.cubicTo(19.5, 13.0, 16.0, 13.0, 16.0, 15.5);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(225, 160, 20));
    p.drawEllipse(QPointF(16.0, 19.0), 1.6, 1.6);
    return image;
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(appIconImage(size)));
    return icon;
}

} // namespace window
