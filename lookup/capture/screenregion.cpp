#include "lookup/capture/screenregion.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

namespace capture {

QString regionFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zembrik-corvanth/capture.ini");
}

std::optional<QRect> loadRegion(const QString &file)
{
    if (!QFileInfo::exists(file))
        return std::nullopt;
    const QSettings settings(file, QSettings::IniFormat);
    const QRect region = settings.value(QStringLiteral("question/region")).toRect();
    if (region.width() <= 0 || region.height() <= 0)
        return std::nullopt;
    return region;
}

bool saveRegion(const QString &file, const QRect &region)
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(QStringLiteral("question/region"), region);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

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
