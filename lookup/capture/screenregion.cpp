#include "lookup/capture/screenregion.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace capture {

bool screenReadable()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

Grab grabScreenRegion(const QRect &region)
{
    if (!screenReadable())
        return {{}, QString::fromUtf16(kNoScreenHere)};
    QScreen *screen = QGuiApplication::screenAt(region.center());
    if (!screen)
        return {{}, QStringLiteral("题目区域不在任何屏幕上：请按 Shift+F2 重新框选")};
    const QRect local = region.translated(-screen->geometry().topLeft());
    const QPixmap picture =
        screen->grabWindow(0, local.x(), local.y(), local.width(), local.height());
    if (picture.isNull())
        return {{}, QString::fromUtf16(kScreenUnread)};
    return {picture.toImage(), {}};
}

} // namespace capture
