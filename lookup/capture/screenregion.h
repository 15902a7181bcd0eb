// Where the game shows its question, as the player chose it, and the picture of that place.
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>

namespace capture {

// Only an X server (XWayland included) lets a program read the screen; a Wayland compositor
// hands out no pictures of other programs' windows.
bool screenReadable();
inline constexpr char16_t kNoScreenHere[] = u"此桌面不允许读取屏幕：请在 X11 会话中使用识别功能";
inline constexpr char16_t kScreenUnread[] = u"无法读取屏幕";

// A picture of `region` (desktop coordinates, logical pixels), or why there is none: the
// windows of other programs under it, as windowgrab.h reads them.
struct Grab
{
    QImage image;
    QString failure;
    QRegion unread = {}; // parts of `image` (its device pixels) that hold nothing read: a glance's
                         // parts under our own windows
};
Grab grabScreenRegion(const QRect &region);

} // namespace capture
