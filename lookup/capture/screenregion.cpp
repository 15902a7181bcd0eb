#include "lookup/capture/screenregion.h"

#include "lookup/capture/windowgrab.h"

#include <QDir>
#include <QGuiApplication>
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
    return grabWindows(region);
}

} // namespace capture
