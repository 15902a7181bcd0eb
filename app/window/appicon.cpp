#include "app/window/appicon.h"

#include <QIconEngine>
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

namespace {

// Draws the icon afresh at whatever size in device pixels is asked for, so that at a scale
// factor of 1.25 or 1.5 it is drawn at 20 or 24 pixels rather than a 16-pixel picture scaled.
// QIcon hands the engine the size already multiplied by the device pixel ratio.
class AppIconEngine : public QIconEngine
{
public:
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMax(1, qMin(size.width(), size.height()));
        return QPixmap::fromImage(appIconImage(side));
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device()->devicePixelRatioF();
        const int side = qMin(rect.width(), rect.height());
        QPixmap drawn = pixmap(QSize(side, side) * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(QRectF(rect.center() - QPointF(side, side) / 2.0, QSizeF(side, side)),
                            drawn, QRectF(drawn.rect()));
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return QSize(side, side);
    }

    // The sizes window systems are offered (the X window icon, for one).
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : {16, 32, 48, 64, 128, 256})
            sizes.append(QSize(side, side));
        return sizes;
    }

    QIconEngine *clone() const override { return new AppIconEngine; }
    QString key() const override { return QStringLiteral("zc.appicon"); }
};

} // namespace

QIcon appIcon()
{
    return QIcon(new AppIconEngine);
}

} // namespace window
