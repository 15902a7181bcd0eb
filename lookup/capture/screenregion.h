// Where the game shows its question, as the player chose it, and the picture of that place.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

namespace capture {

// The file that remembers the region: capture.ini in the player's configuration folder
// ($XDG_CONFIG_HOME/zembrik-corvanth, by default ~/.config/zembrik-corvanth).
QString regionFile();

// The remembered region; nullopt when none was chosen or the file does not hold a usable one.
std::optional<QRect> loadRegion(const QString &file);
// False when the file could not be written.
bool saveRegion(const QString &file, const QRect &region);

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
};
Grab grabScreenRegion(const QRect &region);

} // namespace capture
