#include "lookup/capture/screenregion.h"

#include "lookup/capture/windowgrab.h"

#include <QGuiApplication>

namespace capture {

bool screenReadable()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

Grab grabScreenRegion(const QRect &region)
{
    return grabWindows(region);
}

} // namespace capture
